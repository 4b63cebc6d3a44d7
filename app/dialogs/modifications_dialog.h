#pragma once
// The modal "Modifications" dialog: the image's modification history spelt
// out, five names to a line, under a heading with the document's title.

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;

class CModificationsDialog : public QDialog {
    Q_OBJECT
public:
    CModificationsDialog(QWidget* parent, const std::string& documentTitle, const std::string& history);

    QString TitleText() const;
    QString ListText() const;

    // The rule under the heading lies this many pixels below the top edge
    // (further down only when the font is too tall for it).
    static constexpr int kRuleY = 20;
    int RuleY() const { return ruleY_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* title_ = nullptr;
    QPlainTextEdit* list_ = nullptr;
    int ruleY_ = kRuleY;
};

void ShowModifications(QWidget* parent, const std::string& documentTitle, const std::string& history);

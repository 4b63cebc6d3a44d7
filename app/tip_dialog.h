#pragma once
// The "Tip of the Day" dialog: one tip at a time from "tips.txt", a check
// box to show it at every start, and the reading position kept between
// runs. Creating it reads the next tip, so each start-up advances even
// when the dialog is not shown.

#include <QDialog>
#include <memory>

#include "app/tip_file.h"

class QCheckBox;
class QLabel;
class QPushButton;

class CTipDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTipDialog(QWidget* parent = nullptr);
    ~CTipDialog() override;

    bool ShowAtStartup() const { return showAtStartup_; }
    QString TipText() const { return tipText_; }
    void OnNextTip();

    // Where the tips file is looked for: the current folder, then beside the program.
    static QString LocateTipsFile();

public slots:
    // "&Close": remembers the start-up choice.
    void accept() override;

private:
    void BuildControls();
    void ShowTip();

    bool showAtStartup_ = true;
    bool noTips_ = false;
    QString tipText_;
    TipFile file_;
    QCheckBox* startupBox_ = nullptr;
    QLabel* tipLabel_ = nullptr;
    QPushButton* nextButton_ = nullptr;
};

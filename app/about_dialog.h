#pragma once
// "About Quorvane": the icon, the name, the version and two links, one to
// the program's web page and one to write to its makers.

#include <QDialog>
#include <QLabel>
#include <QUrl>

// A label that opens its address in the user's browser or mail program
// when the left button is released over it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& text, const QUrl& address, QWidget* parent = nullptr);
    const QUrl& Address() const { return address_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl address_;
};

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLongestVersion = 24;
    static const char* const kWebPage;
    static const char* const kMailAddress;

    CAboutDialog(const QString& version, QWidget* parent = nullptr);
};

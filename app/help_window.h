#pragma once
// The help page shown inside the program, so that it reads the same on a
// machine without a desktop browser. Links to other sites still go to the
// browser.

#include <QDialog>

class QTextBrowser;

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    // Shows the page at the given file, scrolled to its contents.
    HelpWindow(const QString& pagePath, QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

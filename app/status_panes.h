#pragma once
// The status bar's panes: the message pane (idle text "Ready", the prompt
// of the command under the mouse, or what the program last wrote into it)
// and the CAPS, NUM and SCRL indicators.

#include <QObject>
#include <QProgressBar>

class QLabel;
class QStatusBar;

class StatusPanes : public QObject {
    Q_OBJECT
public:
    // Adds the panes to the bar.
    explicit StatusPanes(QStatusBar& bar);

    // The text of the message pane when no prompt covers it.
    void SetMessageText(const QString& text);
    QString MessageText() const;
    // What the pane shows now: a prompt while one is up, else the message text.
    QString ShownText() const;

    // The run's progress bar, after the message pane; hidden when no run.
    void ShowProgress(int percent, const QString& text);
    void HideProgress();
    const QProgressBar* Progress() const { return progress_->isHidden() ? nullptr : progress_; }
    // The pixel under the mouse and its value; empty hides nothing, it just
    // leaves the pane blank.
    void SetPixelReadout(const QString& text);
    QString PixelReadout() const;
    // Whether each lock key is on, as far as the program has seen it toggle.
    void SetLockState(bool caps, bool num, bool scroll);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStatusBar& bar_;
    QLabel* message_;
    QProgressBar* progress_;
    QLabel* readout_;
    QLabel* caps_;
    QLabel* num_;
    QLabel* scroll_;
};

#include "app/status_panes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/commands.h"

namespace {

QLabel* Indicator(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 10);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

void Show(QLabel* indicator, bool on) { indicator->setEnabled(on); }

}  // namespace

StatusPanes::StatusPanes(QStatusBar& bar) : QObject(&bar), bar_(bar) {
    message_ = new QLabel(QString::fromLatin1(kReadyText));
    message_->setObjectName(QStringLiteral("messagePane"));
    caps_ = Indicator(QStringLiteral("CAPS"));
    num_ = Indicator(QStringLiteral("NUM"));
    scroll_ = Indicator(QStringLiteral("SCRL"));
    bar.addWidget(message_, 1);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("runProgress"));
    progress_->setRange(0, 100);
    progress_->setMinimumWidth(progress_->fontMetrics().horizontalAdvance(QStringLiteral("Iteration 10 of 10, 100 %, 00:00 left")) + 16);
    progress_->setTextVisible(true);
    progress_->hide();
    bar.addPermanentWidget(progress_);
    readout_ = new QLabel;
    readout_->setObjectName(QStringLiteral("pixelReadout"));
    // Wide enough for the largest position and value, so the panes to its
    // right keep still while the mouse moves.
    readout_->setMinimumWidth(readout_->fontMetrics().horizontalAdvance(QStringLiteral("X: 00000  Y: 00000  Value: 00000")) + 10);
    readout_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar.addPermanentWidget(readout_);
    bar.addPermanentWidget(caps_);
    bar.addPermanentWidget(num_);
    bar.addPermanentWidget(scroll_);
    SetLockState(false, false, false);
    // A prompt that goes away leaves the pane idle, as a closed menu does.
    connect(&bar, &QStatusBar::messageChanged, this, [this](const QString& prompt) {
        if (prompt.isEmpty()) message_->setText(QString::fromLatin1(kReadyText));
    });
    // Qt cannot ask the keyboard for its lock lights; the program follows
    // the lock keys as they are pressed while it has the focus.
    qApp->installEventFilter(this);
}

void StatusPanes::SetMessageText(const QString& text) { message_->setText(text); }

void StatusPanes::ShowProgress(int percent, const QString& text) {
    progress_->setValue(percent);
    progress_->setFormat(text);
    progress_->show();
}

void StatusPanes::HideProgress() { progress_->hide(); }

void StatusPanes::SetPixelReadout(const QString& text) { readout_->setText(text); }

QString StatusPanes::PixelReadout() const { return readout_->text(); }

QString StatusPanes::MessageText() const { return message_->text(); }

QString StatusPanes::ShownText() const {
    const QString prompt = bar_.currentMessage();
    return prompt.isEmpty() ? message_->text() : prompt;
}

void StatusPanes::SetLockState(bool caps, bool num, bool scroll) {
    Show(caps_, caps);
    Show(num_, num);
    Show(scroll_, scroll);
}

bool StatusPanes::eventFilter(QObject* watched, QEvent* event) {
    // Each key reaches exactly one window before any widget sees it.
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) {
            if (key->key() == Qt::Key_CapsLock) Show(caps_, !caps_->isEnabled());
            if (key->key() == Qt::Key_NumLock) Show(num_, !num_->isEnabled());
            if (key->key() == Qt::Key_ScrollLock) Show(scroll_, !scroll_->isEnabled());
        }
    }
    return QObject::eventFilter(watched, event);
}

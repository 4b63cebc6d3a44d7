#include "platform/qt/interval_timer.h"

#include <QTimerEvent>

bool IntervalTimer::Start(int periodMs, std::function<void()> tick) {
    Stop();
    tick_ = std::move(tick);
    timerId_ = startTimer(periodMs);
    return timerId_ != 0;
}

void IntervalTimer::Stop() {
    if (timerId_ != 0) killTimer(timerId_);
    timerId_ = 0;
}

void IntervalTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_ || !tick_) return;
    // The handler may stop or restart the timer; a copy keeps it alive.
    auto tick = tick_;
    tick();
}

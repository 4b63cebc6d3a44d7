#pragma once
// A window timer: calls its handler every period on the user-interface
// thread until stopped. Start reports whether the system gave a timer, so
// the caller can tell the user when it did not.

#include <QObject>
#include <functional>

class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr) : QObject(parent) {}
    ~IntervalTimer() override { Stop(); }

    // Replaces a running timer; false when no timer could be allocated.
    bool Start(int periodMs, std::function<void()> tick);
    void Stop();
    bool IsActive() const { return timerId_ != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int timerId_ = 0;
    std::function<void()> tick_;
};

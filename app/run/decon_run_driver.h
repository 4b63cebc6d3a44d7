#pragma once
// The user-interface side of a deconvolution run: Start L-R, Abort L-R and
// the 500 ms tick that walks the worker through the mailbox commands (Init,
// SetImage, one AddStar per star, SetSelection, Start, ReturnImage, Free;
// after an abort, Free straight away), copies the worker's status line into
// the status bar, redisplays the image whenever the worker has written
// pixels, and closes the run with a message and the history entry.
//
// The thread that owns the driver never waits on the worker: commands are
// posted and their done flag polled from timers, the stars go one per short
// timer step, and the pixels are read for redisplay only when the worker is
// not writing them (a busy buffer is simply shown on the next tick).

#include <QObject>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "app/run/run_host.h"
#include "platform/qt/interval_timer.h"
#include "decon/decon_mailbox.h"
#include "decon/decon_worker.h"

class QWidget;

// One command as the driver posted it (A and B, or the rectangle).
struct PostedCommand {
    DeconCommand command = DeconCommand::none;
    int32_t a = 0;
    int32_t b = 0;
    DeconRect rect;
};

class DeconRunDriver : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds tickPeriod{500};
        // How often the done flag is looked at while the stars are handed over.
        std::chrono::milliseconds starPollPeriod{20};
        DeconWorkerOptions worker;
        // Each hand-over command (Init .. SetSelection) follows as soon as the
        // one before is done, instead of on the next tick.
        bool quickHandover = true;
        // Told of every command posted, in order (for logs and tests).
        std::function<void(const PostedCommand&)> onPost;
    };

    // The host must outlive the driver.
    explicit DeconRunDriver(DeconRunHost& host, DeconMailbox& mailbox = TheDeconMailbox());
    DeconRunDriver(DeconRunHost& host, DeconMailbox& mailbox, Options options);
    // A run still going is aborted and waited for (briefly blocking).
    ~DeconRunDriver() override;

    // No deconvolution in progress anywhere and at least one star picked.
    bool CanStart() const;
    // This driver's run is in progress.
    bool IsRunning() const { return running_; }
    bool CanAbort() const { return running_ && !freePosted_; }

    // Start L-R: the iteration dialog, whose OK starts the worker, then the run.
    void Start(QWidget* dialogParent);
    // The run as after the dialog's OK with this count; false when a run
    // cannot start now or the count is outside 1 .. 10.
    bool StartWithIterations(int iterations, bool protect = false);
    // Abort L-R: the worker stops at its next check; the run then ends.
    void Abort();
    // One step of the run; the tick timer calls it.
    void Tick();

    bool AbortRequested() const { return aborted_; }
    int Iterations() const { return iterations_; }

signals:
    // A run began or ended (command states depend on it).
    void runningChanged(bool running);

private:
    void StartWorker(bool protect);
    void Begin(int iterations);
    void EndWithoutTimer();
    bool ActOnDoneCommand();
    void Finish();
    void StopWorkerNow();
    void RedisplayIfUpdated();
    void CopyStatus();

    void PostInit();
    void PostSetImage();
    void PostSetSelection();
    void PostStart();
    void PostReturnImage();
    void PostFree();
    void Posted(DeconCommand command, int32_t a = 0, int32_t b = 0, DeconRect rect = {});

    // The stars are handed over one per short timer step (star_posting.cpp).
    void BeginStars();
    void PostNextStar();
    void OnStarPoll();
    // The quick hand-over: polls the done flag while Init .. SetSelection go out.
    void ArmHandover();
    void OnHandoverPoll();
    void ShowProgress();
    void HideProgress();

    DeconRunHost& host_;
    DeconMailbox& mailbox_;
    Options options_;
    IntervalTimer tickTimer_;
    QTimer starTimer_;
    QTimer handoverTimer_;
    QElapsedTimer sweepClock_;
    std::thread worker_;

    bool running_ = false;
    bool aborted_ = false;
    bool freePosted_ = false;
    bool imageChanged_ = false;
    bool redisplayPending_ = false;
    bool postingStars_ = false;
    uint16_t iterations_ = 0;
    uint16_t lastSeenCount_ = 0;
    std::vector<RunStar> starsToPost_;
    size_t nextStar_ = 0;
};

// Puts the process-wide mailbox in its state at program start.
void ResetEngineMailbox();

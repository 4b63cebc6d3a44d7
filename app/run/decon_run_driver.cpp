#include "app/run/decon_run_driver.h"

#include <QDialog>

#include "app/dialogs/decon_params_dialog.h"
#include "app/run/run_texts.h"
#include "decon/run_selection.h"
#include "image/image.h"
#include "platform/messages.h"

DeconRunDriver::DeconRunDriver(DeconRunHost& host, DeconMailbox& mailbox)
    : DeconRunDriver(host, mailbox, Options{}) {}

DeconRunDriver::DeconRunDriver(DeconRunHost& host, DeconMailbox& mailbox, Options options)
    : host_(host), mailbox_(mailbox), options_(std::move(options)) {
    starTimer_.setSingleShot(true);
    connect(&starTimer_, &QTimer::timeout, this, &DeconRunDriver::OnStarPoll);
    handoverTimer_.setSingleShot(true);
    connect(&handoverTimer_, &QTimer::timeout, this, &DeconRunDriver::OnHandoverPoll);
}

DeconRunDriver::~DeconRunDriver() { StopWorkerNow(); }

bool DeconRunDriver::CanStart() const {
    return !running_ && !host_.IsBusy() && !host_.Stars().empty();
}

void DeconRunDriver::Start(QWidget* dialogParent) {
    if (!CanStart()) return;
    // The dialog's choices are final when its OK starts the worker.
    CDeconParamsDialog* shown = nullptr;
    CDeconParamsDialog dialog(dialogParent, [this, &shown] { StartWorker(shown && shown->Protect()); });
    shown = &dialog;
    if (dialog.exec() != QDialog::Accepted) return;
    Begin(dialog.Iterations());
}

bool DeconRunDriver::StartWithIterations(int iterations, bool protect) {
    if (!CanStart() || iterations < kMinIterations || iterations > kMaxIterations) return false;
    StartWorker(protect);
    Begin(iterations);
    return true;
}

void DeconRunDriver::StartWorker(bool protect) {
    // The previous run's worker was joined when its Free was done.
    if (worker_.joinable()) worker_.join();
    DeconWorkerOptions worker = options_.worker;
    worker.engine.protect = protect;
    worker.observer = host_.RunObserver();
    worker_ = StartDeconWorker(mailbox_, worker);
}

void DeconRunDriver::Begin(int iterations) {
    host_.SetBusy(true);
    running_ = true;
    aborted_ = false;
    freePosted_ = false;
    imageChanged_ = false;
    redisplayPending_ = false;
    iterations_ = uint16_t(iterations);
    mailbox_.imageUpdateCount.store(0, std::memory_order_release);
    mailbox_.stepsDone.store(0, std::memory_order_relaxed);
    mailbox_.stepsTotal.store(0, std::memory_order_relaxed);
    lastSeenCount_ = 0;
    // The timer is asked for before Init goes out, so that a refusal leaves
    // a worker with nothing to do but end.
    if (!tickTimer_.Start(static_cast<int>(options_.tickPeriod.count()), [this] { Tick(); })) {
        ShowMessage(kTextNoTimer, "FYI");
        EndWithoutTimer();
        return;
    }
    PostInit();
    ShowProgress();
    emit runningChanged(true);
}

// Without a timer the run could never advance: the worker, which has seen
// no command yet, is told to end at once, and the program is idle again.
void DeconRunDriver::EndWithoutTimer() {
    mailbox_.PostFree();
    if (worker_.joinable()) worker_.join();
    mailbox_.EndRun();
    running_ = false;
    host_.SetBusy(false);
    HideProgress();
    host_.RunEnded(false, iterations_);
}

// Once Free has gone out the worker may already have ended, and an Abort
// posted then would never be answered.
void DeconRunDriver::Abort() {
    if (!CanAbort()) return;
    aborted_ = true;
    mailbox_.PostAbort();
    Posted(DeconCommand::Abort);
}

void DeconRunDriver::Tick() {
    if (!running_ || postingStars_) return;
    if (mailbox_.IsDone() && ActOnDoneCommand()) return;
    RedisplayIfUpdated();
    CopyStatus();
    ShowProgress();
}

// Posts the command that follows the one just done; true when the run ended.
bool DeconRunDriver::ActOnDoneCommand() {
    switch (mailbox_.Command()) {
    case DeconCommand::Init:
        // Without its arrays the engine can do nothing more: go to Free.
        if (!mailbox_.failureText.Get().empty())
            PostFree();
        else
            PostSetImage();
        break;
    case DeconCommand::SetImage: BeginStars(); break;
    case DeconCommand::AddStar: PostSetSelection(); break;
    case DeconCommand::SetSelection: PostStart(); break;
    case DeconCommand::Start: PostReturnImage(); break;
    case DeconCommand::ReturnImage:
        PostFree();
        redisplayPending_ = true;
        break;
    case DeconCommand::Abort: PostFree(); break;
    case DeconCommand::Free: Finish(); return true;
    case DeconCommand::GetStatus:
    case DeconCommand::none: break;
    }
    return false;
}

void DeconRunDriver::Finish() {
    if (worker_.joinable()) worker_.join();
    // The worker is gone, so its last write can be shown (and counted) now.
    RedisplayIfUpdated();
    mailbox_.EndRun();
    running_ = false;
    freePosted_ = false;
    host_.SetBusy(false);
    tickTimer_.Stop();
    handoverTimer_.stop();
    HideProgress();
    const std::string failure = mailbox_.failureText.Get();
    if (aborted_)
        host_.SetStatusText(QString::fromLatin1(kTextRunAborted));
    else if (!failure.empty())
        host_.SetStatusText(QString::fromStdString(failure));
    else
        host_.SetStatusText(QString::fromLatin1(kTextRunComplete));
    if (imageChanged_) host_.AddHistory(kHistoryDeconvolve);
    host_.RunEnded(!aborted_ && failure.empty() && imageChanged_, iterations_);
    emit runningChanged(false);
}

void DeconRunDriver::StopWorkerNow() {
    if (!running_) return;
    tickTimer_.Stop();
    starTimer_.stop();
    handoverTimer_.stop();
    if (!freePosted_) {
        mailbox_.PostAbort();
        while (!mailbox_.IsDone()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        mailbox_.PostFree();
    }
    if (worker_.joinable()) worker_.join();
    mailbox_.EndRun();
    running_ = false;
    host_.SetBusy(false);
    HideProgress();
}

// The pixels are read only while the worker is kept off them; when it is
// writing, this tick leaves the redisplay to the next one.
void DeconRunDriver::RedisplayIfUpdated() {
    if (mailbox_.imageUpdateCount.load(std::memory_order_acquire) == lastSeenCount_ && !redisplayPending_)
        return;
    const auto pixels = mailbox_.TryLockPixels();
    if (!pixels.owns_lock()) return;
    const uint16_t count = mailbox_.imageUpdateCount.load(std::memory_order_acquire);
    if (count != lastSeenCount_) {
        imageChanged_ = true;
        host_.MarkModified();
        // Before the rebuild, so that automatic levels see the new pixels.
        host_.InvalidateHistogram();
        lastSeenCount_ = count;
    }
    host_.ApplyContrastSettings();
    redisplayPending_ = false;
}

void DeconRunDriver::CopyStatus() { host_.SetStatusText(QString::fromStdString(mailbox_.statusText.Get())); }

void DeconRunDriver::PostInit() {
    const int32_t width = host_.ImageWidth(), height = host_.ImageHeight();
    mailbox_.PostInit(uint16_t(width), uint32_t(height));
    Posted(DeconCommand::Init, width, height);
    ArmHandover();
}

void DeconRunDriver::PostSetImage() {
    mailbox_.PostSetImage(host_.ImagePixels());
    Posted(DeconCommand::SetImage);
    ArmHandover();
}

void DeconRunDriver::PostSetSelection() {
    const std::optional<DeconRect> drawn = host_.Selection();
    const DeconRect rect = RunSelection(drawn ? &*drawn : nullptr, host_.ImageWidth(), host_.ImageHeight());
    mailbox_.PostSetSelection(rect);
    Posted(DeconCommand::SetSelection, 0, 0, rect);
    ArmHandover();
}

void DeconRunDriver::PostStart() {
    mailbox_.PostStart(iterations_);
    Posted(DeconCommand::Start, iterations_);
    handoverTimer_.stop();
    sweepClock_.start();
}

void DeconRunDriver::ArmHandover() {
    if (options_.quickHandover) handoverTimer_.start(options_.starPollPeriod);
}

// The commands go in the same order as on the tick, each as soon as the
// one before is done; the tick keeps its 500 ms for redisplay and status.
void DeconRunDriver::OnHandoverPoll() {
    if (!running_ || postingStars_) return;
    switch (mailbox_.Command()) {
    case DeconCommand::Init:
    case DeconCommand::SetImage:
    case DeconCommand::AddStar:
    case DeconCommand::SetSelection: break;
    default: return;  // an abort or the run itself: the tick takes over
    }
    if (!mailbox_.IsDone()) {
        ArmHandover();
        return;
    }
    CopyStatus();
    ActOnDoneCommand();
}

void DeconRunDriver::ShowProgress() {
    const int total = mailbox_.stepsTotal.load(std::memory_order_relaxed);
    const int done = mailbox_.stepsDone.load(std::memory_order_acquire);
    const double elapsed = sweepClock_.isValid() ? double(sweepClock_.elapsed()) / 1000.0 : 0.0;
    const RunProgress progress = ComputeRunProgress(done, total, iterations_, elapsed);
    host_.ShowProgress(&progress);
}

void DeconRunDriver::HideProgress() {
    sweepClock_.invalidate();
    host_.ShowProgress(nullptr);
}

void DeconRunDriver::PostReturnImage() {
    mailbox_.PostReturnImage(host_.ImagePixels());
    Posted(DeconCommand::ReturnImage);
}

void DeconRunDriver::PostFree() {
    mailbox_.PostFree();
    freePosted_ = true;
    Posted(DeconCommand::Free);
}

void DeconRunDriver::Posted(DeconCommand command, int32_t a, int32_t b, DeconRect rect) {
    if (options_.onPost) options_.onPost(PostedCommand{command, a, b, rect});
}

void ResetEngineMailbox() { TheDeconMailbox().Clear(); }

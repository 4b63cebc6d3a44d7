#include "decon/decon_worker.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>

namespace {

// Binds the engine's hooks to the mailbox.
class MailboxHooks : public DeconHooks {
public:
    MailboxHooks(DeconMailbox& mailbox, DeconHooks* observer) : mailbox_(mailbox), observer_(observer) {}
    bool AbortRequested() override { return mailbox_.Command() == DeconCommand::Abort; }
    void SetStatus(const char* text) override { mailbox_.statusText.Set(text); }
    void BeginPixelWrite() override { mailbox_.pixelLock.lock(); }
    void EndPixelWrite() override { mailbox_.pixelLock.unlock(); }
    void ImageUpdated() override {
        mailbox_.imageUpdateCount.fetch_add(1, std::memory_order_release);
    }
    void StepsDone(int done, int total) override {
        mailbox_.stepsTotal.store(total, std::memory_order_relaxed);
        mailbox_.stepsDone.store(done, std::memory_order_release);
    }
    bool WantsStepChange() override { return observer_ && observer_->WantsStepChange(); }
    void StepChanged(int step, int steps, double change) override {
        if (observer_) observer_->StepChanged(step, steps, change);
    }
    void IterationEnded(int iteration) override {
        if (observer_) observer_->IterationEnded(iteration);
    }

private:
    DeconMailbox& mailbox_;
    DeconHooks* observer_;
};

bool NeedsEngine(DeconCommand command) {
    switch (command) {
    case DeconCommand::SetImage:
    case DeconCommand::AddStar:
    case DeconCommand::SetSelection:
    case DeconCommand::Start:
    case DeconCommand::ReturnImage: return true;
    default: return false;
    }
}

class Worker {
public:
    Worker(DeconMailbox& mailbox, const DeconWorkerOptions& options)
        : mailbox_(mailbox), options_(options), hooks_(mailbox, options.observer) {}

    // Carries out one command; false when the thread should end.
    bool Serve(DeconCommand command);

private:
    void CreateEngine();
    void Fail(const std::string& text) {
        mailbox_.failureText.Set(text.c_str());
        mailbox_.statusText.Set(text.c_str());
    }

    DeconMailbox& mailbox_;
    const DeconWorkerOptions& options_;
    MailboxHooks hooks_;
    std::unique_ptr<DeconEngine> engine_;
};

void Worker::CreateEngine() {
    mailbox_.failureText.Set("");
    engine_.reset(new (std::nothrow) DeconEngine);
    if (!engine_) return Fail("Not enough memory to start a deconvolution.");
    engine_->SetHooks(&hooks_);
    const int32_t width = mailbox_.argumentA.load(std::memory_order_relaxed);
    const int32_t height = static_cast<int32_t>(
        std::min<uint32_t>(mailbox_.argumentB.load(std::memory_order_relaxed), INT32_MAX));
    if (!engine_->Init(width, height, options_.engine)) {
        Fail(engine_->ErrorText());
        engine_.reset();
    }
}

bool Worker::Serve(DeconCommand command) {
    if (NeedsEngine(command) && !engine_) {
        // Init failed: keep saying why rather than pretending to work.
        const std::string failure = mailbox_.failureText.Get();
        mailbox_.statusText.Set(failure.empty() ? DeconCommandText(command) : failure.c_str());
        return true;
    }
    mailbox_.statusText.Set(DeconCommandText(command));
    switch (command) {
    case DeconCommand::Init: CreateEngine(); break;
    case DeconCommand::SetImage: engine_->SetImage(mailbox_.image.load(std::memory_order_relaxed)); break;
    case DeconCommand::AddStar:
        engine_->AddStar(mailbox_.argumentA.load(std::memory_order_relaxed),
                         static_cast<int32_t>(std::min<uint32_t>(
                             mailbox_.argumentB.load(std::memory_order_relaxed), INT32_MAX)));
        break;
    case DeconCommand::SetSelection:
        engine_->SetSelection(mailbox_.top.load(std::memory_order_relaxed),
                              mailbox_.left.load(std::memory_order_relaxed),
                              mailbox_.bottom.load(std::memory_order_relaxed),
                              mailbox_.right.load(std::memory_order_relaxed));
        break;
    case DeconCommand::Start:
        if (engine_->Start(mailbox_.argumentA.load(std::memory_order_relaxed)) ==
            StartOutcome::refused)
            Fail(engine_->RefusalText());
        break;
    case DeconCommand::ReturnImage:
        engine_->ReturnImage();
        if (!engine_->RefusalText().empty()) mailbox_.statusText.Set(engine_->RefusalText().c_str());
        break;
    case DeconCommand::Free: engine_.reset(); return false;
    case DeconCommand::GetStatus:
    case DeconCommand::Abort:
    case DeconCommand::none: break;
    }
    return true;
}

}  // namespace

int DeconWorker(DeconMailbox& mailbox, const DeconWorkerOptions& options) {
    Worker worker(mailbox, options);
    mailbox.statusText.Set("");
    // Each run starts its own worker while the main side restarts the
    // sequence at 0, so 0 is "nothing posted yet" for this worker.
    uint16_t lastSeen = 0;
    for (;;) {
        std::this_thread::sleep_for(options.pollPeriod);
        const uint16_t sequence = mailbox.sequence.load(std::memory_order_acquire);
        if (sequence == lastSeen) continue;
        lastSeen = sequence;
        const bool goOn = worker.Serve(mailbox.Command());
        mailbox.doneSequence.store(sequence, std::memory_order_release);
        mailbox.done.store(1, std::memory_order_release);
        if (!goOn) return 0;
    }
}

std::thread StartDeconWorker(DeconMailbox& mailbox, const DeconWorkerOptions& options) {
    return std::thread([&mailbox, options] { DeconWorker(mailbox, options); });
}

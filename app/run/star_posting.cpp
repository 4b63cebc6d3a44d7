// Handing the stars to the worker. Each star waits for the worker to take
// it before the next goes out; the wait is a short single-shot timer that
// re-arms itself, so the window keeps painting and answering (Abort among
// the rest) however long the worker takes, and no second event loop runs
// inside the tick. The run's 500 ms tick stands aside meanwhile.

#include "app/run/decon_run_driver.h"

void DeconRunDriver::BeginStars() {
    starsToPost_ = host_.Stars();
    nextStar_ = 0;
    if (starsToPost_.empty()) {
        // Nothing to post: the next tick goes on as if the stars were done.
        mailbox_.command.store(uint16_t(DeconCommand::AddStar), std::memory_order_release);
        ArmHandover();
        return;
    }
    postingStars_ = true;
    PostNextStar();
}

void DeconRunDriver::PostNextStar() {
    const RunStar star = starsToPost_[nextStar_++];
    mailbox_.PostAddStar(uint16_t(star.x), uint32_t(star.y));
    Posted(DeconCommand::AddStar, star.x, star.y);
    starTimer_.start(options_.starPollPeriod);
}

void DeconRunDriver::OnStarPoll() {
    if (!mailbox_.IsDone()) {
        starTimer_.start(options_.starPollPeriod);
        return;
    }
    CopyStatus();
    // After an abort the worker has the Abort; the tick then posts Free.
    if (aborted_ || nextStar_ >= starsToPost_.size()) {
        postingStars_ = false;
        starsToPost_.clear();
        if (!aborted_) ArmHandover();
        return;
    }
    PostNextStar();
}

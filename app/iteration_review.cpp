#include "app/iteration_review.h"

void IterationReview::BeginRun(const uint16_t* pixels, size_t count, uint64_t budgetBytes) {
    store_.Reset(budgetBytes);
    {
        std::lock_guard guard(changesLock_);
        changes_.clear();
    }
    pixels_ = pixels;
    count_ = count;
    running_ = true;
    choosing_ = false;
    iterations_ = shown_ = 0;
    store_.Keep(0, pixels, count);
}

void IterationReview::EndRun(bool completed, int iterations) {
    running_ = false;
    pixels_ = nullptr;
    iterations_ = iterations;
    shown_ = iterations;
    const std::vector<int> kept = store_.Kept();
    choosing_ = completed && kept.size() > 1 && kept.back() == iterations;
    if (!choosing_) store_.Reset(0);
}

void IterationReview::Close() {
    choosing_ = false;
    store_.Reset(0);
}

std::vector<double> IterationReview::Changes() const {
    std::lock_guard guard(changesLock_);
    return changes_;
}

void IterationReview::StepChanged(int step, int, double change) {
    std::lock_guard guard(changesLock_);
    if (step >= 0 && size_t(step) == changes_.size()) changes_.push_back(change);
}

// The engine has just written this iteration's image into the buffer and
// will not write again before this returns.
void IterationReview::IterationEnded(int iteration) {
    if (pixels_) store_.Keep(iteration, pixels_, count_);
}

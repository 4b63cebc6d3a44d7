#pragma once
// Choosing how far a run goes, after it: the run's record of each
// iteration's image (iteration 0 is the image before the run) and of how
// much each step changed the estimate, then which iteration the window
// shows while the user steps through them. Widget-free; the engine's
// thread fills it through the hooks while the run goes on.

#include <cstdint>
#include <mutex>
#include <vector>

#include "app/iteration_store.h"
#include "decon/decon_hooks.h"

class IterationReview final : public DeconHooks {
public:
    // Before the run's worker starts: the image as it stands becomes
    // iteration 0. The buffer must hold still and stay valid until EndRun.
    void BeginRun(const uint16_t* pixels, size_t count, uint64_t budgetBytes);
    // The run is over. A run that reached its end with more than one image
    // kept offers them for choosing; any other lets them go.
    void EndRun(bool completed, int iterations);
    // Ends the choosing: the images go (the one shown stays in the window).
    void Close();

    bool Running() const { return running_; }
    bool Choosing() const { return choosing_; }
    // The run's N, and the iteration the window shows while choosing.
    int Iterations() const { return iterations_; }
    int Shown() const { return shown_; }
    void SetShown(int iteration) { shown_ = iteration; }
    // The iterations that can be shown, oldest first; how many went for memory.
    std::vector<int> Kept() const { return store_.Kept(); }
    int Dropped() const { return store_.Dropped(); }
    bool CopyIteration(int iteration, std::vector<uint16_t>& into) const { return store_.CopyOut(iteration, into); }
    uint64_t Bytes() const { return store_.Bytes(); }
    // The change of each step so far (safe while the run goes on).
    std::vector<double> Changes() const;

    // The engine's side.
    bool WantsStepChange() override { return true; }
    void StepChanged(int step, int steps, double change) override;
    void IterationEnded(int iteration) override;

private:
    IterationStore store_;
    const uint16_t* pixels_ = nullptr;
    size_t count_ = 0;
    mutable std::mutex changesLock_;
    std::vector<double> changes_;
    bool running_ = false;
    bool choosing_ = false;
    int iterations_ = 0;
    int shown_ = 0;
};

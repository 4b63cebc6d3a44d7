#pragma once
// The engine's only channel to the outside world: an abort check, a status
// line and the signals around each write into the caller's pixel buffer.
// The defaults do nothing, which is what a run driven directly needs.

class DeconHooks {
public:
    virtual ~DeconHooks() = default;

    // Polled at the start of every row of the long loops, possibly from
    // several of the engine's threads at once, so it must be thread-safe.
    virtual bool AbortRequested() { return false; }

    // Called on the engine's own thread with a NUL-terminated line.
    virtual void SetStatus(const char* /*text*/) {}

    // Bracket every write into the pixel buffer, on the engine's own thread;
    // a reader of the buffer can hold off the writer between them.
    virtual void BeginPixelWrite() {}
    virtual void EndPixelWrite() {}

    // After each completed write into the pixel buffer.
    virtual void ImageUpdated() {}
    // Before each sweep of the deconvolution and after the last: done of total.
    virtual void StepsDone(int /*done*/, int /*total*/) {}

    // Asked once when the steps begin: whether to measure how much each step
    // changes the estimate. The update measures it as it goes, at about 1 %
    // of a run's time, so a run that does not show it does not pay for it.
    virtual bool WantsStepChange() { return false; }

    // After step `step` (0 .. steps - 1), on the engine's own thread: the
    // relative L1 change of the estimate over the part of the selection the
    // steps update, sum |new - old| / sum |old|, background taken off.
    virtual void StepChanged(int /*step*/, int /*steps*/, double /*change*/) {}

    // After the write that ends iteration `iteration` (1 .. N), on the
    // engine's own thread: the pixel buffer then holds that iteration's
    // image, and it may be copied before this returns.
    virtual void IterationEnded(int /*iteration*/) {}
};

#pragma once
// While a deconvolution writes an image's pixels, the window reads them
// (remapping, measuring) only at moments the worker is not writing, and
// never waits for it: a read that finds the pixels busy is skipped, and the
// run's next redisplay or the next mouse move reads again.

#include <mutex>

class CQuorvaneDoc;

class PixelReadGuard {
public:
    explicit PixelReadGuard(const CQuorvaneDoc& document);
    // The pixels may be read while this guard lives.
    bool CanRead() const { return !running_ || lock_.owns_lock(); }

private:
    bool running_ = false;
    std::unique_lock<std::mutex> lock_;
};

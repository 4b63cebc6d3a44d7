// The sky background over the grown selection: a low order statistic of a
// coarse grid of samples around each pixel, smoothed, scaled by 0.9 and kept
// below the estimate.

#include <algorithm>

#include "decon/decon_engine.h"
#include "decon/engine_rows.h"

namespace {
constexpr int kSmoothingPasses = 16;
}

// The tenth smallest of the 64 samples of every pixel of one row. Sample rows
// are clamped to 1 .. height - 1; columns are not, so samples past a side of
// the image come from the neighbouring row, as the array is laid out.
void DeconEngine::SampleBackground(int32_t row, int slot) {
    const DeconRect grown = GrownRect(Selection());
    const int span = (grown.right - grown.left) + kBackgroundSpanExtra;
    const int64_t elements = static_cast<int64_t>(estimate.size());
    const float* rows[kBackgroundGrid];
    for (int k = 0; k < kBackgroundGrid; ++k) {
        const int32_t sampleRow =
            std::max(1, std::min(height - 1, row - kBackgroundReach + k * kBackgroundPitch));
        const int64_t first = static_cast<int64_t>(sampleRow) * width + grown.left - kBackgroundReach;
        if (first >= 0 && first + span <= elements) {
            rows[k] = estimate.data() + first;
            continue;
        }
        // Never read outside the array, whatever the image size.
        float* staged = sampleRows_[slot].data() + static_cast<size_t>(k) * span;
        for (int x = 0; x < span; ++x)
            staged[x] = estimate[static_cast<size_t>(std::clamp<int64_t>(first + x, 0, elements - 1))];
        rows[k] = staged;
    }
    kernels_->tenthSmallestRow(rows, span, sampleScratch_[slot].data(),
                               blurred.data() + Index(row, grown.left));
}

// Sixteen passes of a five-point blur, alternating between blurred and
// correction; both hold zeros outside the grown selection, as the blur
// expects there. The result ends in blurred.
bool DeconEngine::Smooth() {
    const DeconRect grown = GrownRect(Selection());
    const int32_t columns = grown.right - grown.left;
    float* source = blurred.data();
    float* target = correction.data();
    for (int pass = 0; pass < kSmoothingPasses; ++pass) {
        const bool done = ForRowsUntilAbort(grown.top, grown.bottom, [&](int32_t row, int) {
            kernels_->smoothRow(source + Index(row, grown.left), width,
                                target + Index(row, grown.left), columns);
        });
        if (!done) return false;
        std::swap(source, target);
    }
    return true;
}

bool DeconEngine::EstimateBackground() {
    const DeconRect grown = GrownRect(Selection());
    const int32_t columns = grown.right - grown.left;
    if (!ForRowsUntilAbort(grown.top, grown.bottom,
                           [&](int32_t row, int slot) { SampleBackground(row, slot); }))
        return false;
    if (!Smooth()) return false;
    static_assert(kSmoothingPasses % 2 == 0, "the smoothed values must end in blurred");
    return ForRowsUntilAbort(grown.top, grown.bottom, [&](int32_t row, int) {
        const size_t i = Index(row, grown.left);
        kernels_->finalBackgroundRow(blurred.data() + i, estimate.data() + i, background.data() + i,
                                     columns);
    });
}

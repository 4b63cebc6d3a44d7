// The damped Lucy-Richardson steps over the selection.
//
// Each step takes the background off estimate and observed, divides the
// observed by the PSF-blurred estimate, blurs the ratios again, applies the
// damped update and puts the background back. Two passes over the rows do
// all of it: between steps that write no pixels, the second pass takes the
// background off again for the next step at once (the same operations in the
// same order, so the same values), which saves a pass over three arrays.

#include <algorithm>
#include <cstdio>

#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "decon/engine_rows.h"

namespace {
constexpr int kStepsPerIteration = 15;
constexpr int kStepsPerWrite = 5;
constexpr float kFirstThreshold = 100.0f;
constexpr float kThresholdRise = 8.0f;
// Rows correlated together, so that what follows finds them in the cache.
constexpr int kRowBlock = 2;
}  // namespace

// estimate -= background and observed -= background over the selection.
void DeconEngine::SubtractBackground() {
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        for (int32_t row = first; row < last; ++row) {
            const size_t i = Index(row, left);
            kernels_->subtractBackgroundRow(estimate.data() + i, observed.data() + i, background.data() + i,
                                            right - left);
        }
    });
}

// blurred = observed / (PSF correlated with estimate) over the selection, the
// only part of blurred that the next correlation reads for the pixels updated.
bool DeconEngine::CorrelateEstimate() {
    const int32_t columns = right - left;
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        for (int32_t row = first; row < last; row += kRowBlock) {
            const int rows = std::min(kRowBlock, last - row);
            const size_t i = Index(row, left);
            kernels_->correlateRows(estimate.data() + i, width, &psf[0][0], blurred.data() + i, width, rows,
                                    columns);
            for (int r = 0; r < rows; ++r)
                kernels_->ratioRow(observed.data() + i + size_t(r) * width, blurred.data() + i + size_t(r) * width,
                                   columns);
        }
    });
    return !AbortRequested();
}

void DeconEngine::RestoreSpan(int32_t row, int32_t column, int32_t count, bool subtractAgain) {
    const size_t i = Index(row, column);
    kernels_->restoreBackgroundRow(estimate.data() + i, observed.data() + i, background.data() + i, count,
                                   subtractAgain);
}

// Rows of the shrunk selection: correction = PSF correlated with the ratios,
// the damped update where the observed value is above the threshold, and the
// background back on over the whole width of the selection.
void DeconEngine::FinishInnerRows(int32_t row, int rows, bool subtractAgain) {
    const DeconRect inner = ShrunkRect(Selection());
    const int32_t columns = inner.right - inner.left;
    const size_t first = Index(row, inner.left);
    kernels_->correlateRows(blurred.data() + first, width, &psf[0][0], correction.data() + first, width, rows,
                            columns);
    for (int32_t r = row; r < row + rows; ++r) {
        RestoreSpan(r, left, inner.left - left, subtractAgain);
        const size_t i = Index(r, inner.left);
        kernels_->updateAndRestoreRow(estimate.data() + i, observed.data() + i, background.data() + i,
                                      correction.data() + i, updateThreshold, columns, subtractAgain);
        RestoreSpan(r, inner.right, right - inner.right, subtractAgain);
    }
}

// The second pass of a step; with subtractAgain the background is taken off
// again for the next step.
bool DeconEngine::UpdateEstimate(bool subtractAgain) {
    const DeconRect inner = ShrunkRect(Selection());
    const bool innerEmpty = inner.Empty();
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        for (int32_t row = first; row < last;) {
            if (!innerEmpty && row >= inner.top && row < inner.bottom) {
                const int rows = std::min({kRowBlock, last - row, inner.bottom - row});
                FinishInnerRows(row, rows, subtractAgain);
                row += rows;
            } else {
                RestoreSpan(row, left, right - left, subtractAgain);
                ++row;
            }
        }
    });
    return !AbortRequested();
}

bool DeconEngine::Deconvolve(int iterations) {
    const int steps = kStepsPerIteration * iterations;
    updateThreshold = kFirstThreshold;
    bool backgroundOff = false;
    for (int k = 0; k < steps; ++k) {
        if (AbortRequested()) return false;
        char text[64];
        std::snprintf(text, sizeof text, kTextDeconvolvedFormat, k * 100.0 / steps);
        Status(text);
        if (!backgroundOff) SubtractBackground();
        if (!CorrelateEstimate()) return false;
        const bool writeBack = k % kStepsPerWrite == kStepsPerWrite - 1;
        backgroundOff = !writeBack && k + 1 < steps;
        if (!UpdateEstimate(backgroundOff)) return false;
        updateThreshold += kThresholdRise;
        if (writeBack) WritePixels(estimate.data());
    }
    return true;
}

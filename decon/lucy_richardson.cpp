// The damped Lucy-Richardson steps over the selection.

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
}  // namespace

// estimate -= background and observed -= background over the selection.
void DeconEngine::SubtractBackground() {
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        for (int32_t row = first; row < last; ++row) {
            const size_t i = Index(row, left);
            kernels_->subtractBackgroundRow(estimate.data() + i, observed.data() + i,
                                            background.data() + i, right - left);
        }
    });
}

// blurred = observed / (PSF correlated with estimate) over the selection, the
// only part of blurred that the next correlation reads for the pixels updated.
bool DeconEngine::CorrelateEstimate() {
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        const size_t i = Index(first, left);
        kernels_->correlateRows(estimate.data() + i, width, &psf[0][0], blurred.data() + i, width,
                                last - first, right - left);
        for (int32_t row = first; row < last; ++row)
            kernels_->ratioRow(observed.data() + Index(row, left), blurred.data() + Index(row, left),
                               right - left);
    });
    return !AbortRequested();
}

// correction = PSF correlated with the ratios, the damped update where the
// observed value is above the threshold (shrunk selection), then the
// background added back (selection).
bool DeconEngine::UpdateEstimate() {
    const DeconRect inner = ShrunkRect(Selection());
    const int32_t innerColumns = inner.right - inner.left;
    pool_->ForRows(top, bottom, [&](int first, int last, int) {
        const int32_t innerFirst = std::max(first, inner.top);
        const int32_t innerLast = std::min(last, inner.bottom);
        if (innerFirst < innerLast && innerColumns > 0) {
            const size_t i = Index(innerFirst, inner.left);
            kernels_->correlateRows(blurred.data() + i, width, &psf[0][0], correction.data() + i,
                                    width, innerLast - innerFirst, innerColumns);
            for (int32_t row = innerFirst; row < innerLast; ++row) {
                const size_t j = Index(row, inner.left);
                kernels_->dampedUpdateRow(estimate.data() + j, observed.data() + j,
                                          background.data() + j, correction.data() + j,
                                          updateThreshold, innerColumns);
            }
        }
        for (int32_t row = first; row < last; ++row) {
            const size_t j = Index(row, left);
            kernels_->addBackgroundRow(estimate.data() + j, observed.data() + j,
                                       background.data() + j, right - left);
        }
    });
    return !AbortRequested();
}

bool DeconEngine::Deconvolve(int iterations) {
    const int steps = kStepsPerIteration * iterations;
    updateThreshold = kFirstThreshold;
    for (int k = 0; k < steps; ++k) {
        if (AbortRequested()) return false;
        char text[64];
        std::snprintf(text, sizeof text, kTextDeconvolvedFormat, k * 100.0 / steps);
        Status(text);
        SubtractBackground();
        if (!CorrelateEstimate()) return false;
        if (!UpdateEstimate()) return false;
        updateThreshold += kThresholdRise;
        if (k % kStepsPerWrite == kStepsPerWrite - 1) WritePixels(estimate.data());
    }
    return true;
}

// The damped Lucy-Richardson steps over the selection.
//
// Each step takes the background off estimate and observed, divides the
// observed by the PSF-blurred estimate (blurred), blurs the ratios again
// (correction), applies the damped update and puts the background back.
// All of it happens in one sweep down the rows: each thread keeps the last
// rows of blurred in a small ring and writes the new estimate and observed
// into the spare arrays (correction and blurred, free once the background
// is known), which then swap names with estimate and observed. Reading only
// the old arrays, the threads never wait for each other within a step, and
// the arrays cross the memory bus once per step instead of five times.
// Between steps that write no pixels the sweep also takes the background off
// again for the next step. Every value is computed by the same operations in
// the same order as one pass per stage would. When the hooks ask how much
// each step changes the estimate, the update measures it from the values it
// holds, so the measure reads nothing more.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "decon/decon_engine.h"
#include "decon/decon_texts.h"
#include "platform/format.h"
#include "decon/engine_rows.h"

namespace {
constexpr int kStepsPerWrite = 5;
constexpr float kFirstThreshold = 100.0f;
constexpr float kThresholdRise = 8.0f;
// A few long pieces per thread: each piece recomputes ten rows of blurred
// around its edges.
constexpr int kSweepPiecesPerThread = 2;
}  // namespace

size_t DeconEngine::StepScratchFloats() const {
    return static_cast<size_t>(kBlurredRing + 2) * static_cast<size_t>(width);
}

// The spare arrays take every value of estimate and observed once, so that
// whatever the sweep does not rewrite (outside the selection) is right in
// both members of each pair.
void DeconEngine::PrepareSteps() {
    pool_->ForRows(0, height, [&](int first, int last, int) {
        const size_t begin = Index(first, 0), count = Index(last, 0) - begin;
        std::memcpy(correction.data() + begin, estimate.data() + begin, count * sizeof(float));
        std::memcpy(blurred.data() + begin, observed.data() + begin, count * sizeof(float));
    });
}

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

float* DeconEngine::RingRow(int slot, int32_t row) {
    return stepScratch_[slot].data() + static_cast<size_t>(row & (kBlurredRing - 1)) * width;
}

// blurred for one or two rows: observed / (PSF correlated with estimate), in
// the thread's ring, indexed from the selection's left column.
void DeconEngine::BlurRows(int32_t row, int rows, int slot) {
    const float* in[kPsfSize + 1];
    for (int x = 0; x < kPsfSize + rows - 1; ++x) in[x] = estimate.data() + Index(row - kPsfHalf + x, left);
    float* out0 = RingRow(slot, row);
    float* out1 = rows == 2 ? RingRow(slot, row + 1) : nullptr;
    kernels_->correlateRows(in, &psf[0][0], out0, out1, right - left);
    for (int r = 0; r < rows; ++r)
        kernels_->ratioRow(observed.data() + Index(row + r, left), r == 0 ? out0 : out1, right - left);
}

// New estimate and observed for one or two rows of the shrunk selection:
// correction from the ring, the damped update, the background back on.
void DeconEngine::FinishInnerRows(int32_t row, int rows, bool subtractAgain, int slot) {
    const DeconRect inner = ShrunkRect(Selection());
    const int32_t columns = inner.right - inner.left;
    const float* in[kPsfSize + 1];
    for (int x = 0; x < kPsfSize + rows - 1; ++x) in[x] = RingRow(slot, row - kPsfHalf + x) + (inner.left - left);
    float* corr0 = stepScratch_[slot].data() + static_cast<size_t>(kBlurredRing) * width;
    float* corr1 = corr0 + width;
    kernels_->correlateRows(in, &psf[0][0], corr0, rows == 2 ? corr1 : nullptr, columns);
    for (int r = 0; r < rows; ++r) {
        FinishSpan(row + r, left, inner.left - left, subtractAgain);
        const size_t i = Index(row + r, inner.left);
        const float* corr = r == 0 ? corr0 : corr1;
        if (measureChange_)
            UpdateAndMeasureRow(row + r, i, corr, columns, subtractAgain);
        else
            kernels_->updateAndRestoreRow(estimate.data() + i, observed.data() + i, background.data() + i, corr,
                                          updateThreshold, columns, subtractAgain, correction.data() + i,
                                          blurred.data() + i);
        FinishSpan(row + r, inner.right, right - inner.right, subtractAgain);
    }
}

// Selection pixels the update does not reach: the background back on (and
// off again) into the new arrays.
void DeconEngine::FinishSpan(int32_t row, int32_t column, int32_t count, bool subtractAgain) {
    const size_t i = Index(row, column);
    kernels_->restoreBackgroundRow(estimate.data() + i, observed.data() + i, background.data() + i, count,
                                   subtractAgain, correction.data() + i, blurred.data() + i);
}

// One piece [first, last) of the selection's rows, blurred kept five rows
// ahead of the rows being finished.
void DeconEngine::SweepRows(int32_t first, int32_t last, bool subtractAgain, int slot) {
    const DeconRect inner = ShrunkRect(Selection());
    const bool innerEmpty = inner.Empty();
    int32_t nextBlurred = std::max(top, first - kPsfHalf);
    auto blurThrough = [&](int32_t end) {  // blurred rows up to end (exclusive)
        end = std::min(end, bottom);
        while (nextBlurred < end) {
            const int rows = nextBlurred + 1 < end ? 2 : 1;
            BlurRows(nextBlurred, rows, slot);
            nextBlurred += rows;
        }
    };
    for (int32_t row = first; row < last;) {
        if (innerEmpty || row < inner.top || row >= inner.bottom) {
            FinishSpan(row, left, right - left, subtractAgain);
            ++row;
            continue;
        }
        const int rows = std::min({2, last - row, inner.bottom - row});
        blurThrough(row + rows + kPsfHalf);
        FinishInnerRows(row, rows, subtractAgain, slot);
        row += rows;
    }
}

// The update of one row of the shrunk selection (the only pixels a step
// changes), measuring how much it changes the estimate as it goes. Each row
// is summed in float lanes, then in double, and the rows in row order by
// StepChange, so the figure does not depend on the thread count.
void DeconEngine::UpdateAndMeasureRow(int32_t row, size_t first, const float* corr, int32_t columns,
                                      bool subtractAgain) {
    float changed[kChangeLanes], size[kChangeLanes];
    kernels_->updateMeasureAndRestoreRow(estimate.data() + first, observed.data() + first,
                                         background.data() + first, corr, updateThreshold, columns, subtractAgain,
                                         correction.data() + first, blurred.data() + first, changed, size);
    double a = 0.0, b = 0.0;
    for (int l = 0; l < kChangeLanes; ++l) a += changed[l], b += size[l];
    changeRows_[2 * static_cast<size_t>(row)] = a;
    changeRows_[2 * static_cast<size_t>(row) + 1] = b;
}

// The relative L1 change of the step just swept, over the shrunk selection.
double DeconEngine::StepChange() const {
    const DeconRect inner = ShrunkRect(Selection());
    if (inner.Empty()) return 0.0;
    double changed = 0.0, size = 0.0;
    for (int32_t row = inner.top; row < inner.bottom; ++row) {
        changed += changeRows_[2 * static_cast<size_t>(row)];
        size += changeRows_[2 * static_cast<size_t>(row) + 1];
    }
    return size > 0.0 ? changed / size : 0.0;
}

bool DeconEngine::Deconvolve(int iterations) {
    const int steps = kStepsPerIteration * iterations;
    updateThreshold = kFirstThreshold;
    measureChange_ = hooks_->WantsStepChange();
    PrepareSteps();
    bool backgroundOff = false;
    for (int k = 0; k < steps; ++k) {
        if (AbortRequested()) return false;
        hooks_->StepsDone(k, steps);
        Status(Format(kTextDeconvolvedFormat, k * 100.0 / steps).c_str());
        if (!backgroundOff) SubtractBackground();
        const bool writeBack = k % kStepsPerWrite == kStepsPerWrite - 1;
        backgroundOff = !writeBack && k + 1 < steps;
        pool_->ForRows(
            top, bottom, [&](int first, int last, int slot) { SweepRows(first, last, backgroundOff, slot); },
            kSweepPiecesPerThread);
        std::swap(estimate, correction);
        std::swap(observed, blurred);
        if (AbortRequested()) return false;
        updateThreshold += kThresholdRise;
        const bool iterationEnds = (k + 1) % kStepsPerIteration == 0;
        if (writeBack) WritePixels(estimate.data(), iterationEnds || k + 1 == steps);
        finalShown_ = writeBack && k + 1 == steps;
        if (measureChange_) hooks_->StepChanged(k, steps, StepChange());
        if (iterationEnds) hooks_->IterationEnded((k + 1) / kStepsPerIteration);
    }
    hooks_->StepsDone(steps, steps);
    return true;
}

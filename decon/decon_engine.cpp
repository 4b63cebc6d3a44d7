#include "decon/decon_engine.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "decon/decon_texts.h"
#include "decon/engine_rows.h"
#include "decon/protected_run.h"
#include "decon/row_pool.h"
#include "platform/format.h"

namespace {

constexpr int32_t kMaxSide = 65535;
constexpr int kArrayCount = 5;
// The selection must keep this far from every edge: 5 for the grown
// selection plus 5 for the PSF's half-width.
constexpr int32_t kEdgeMargin = 10;

uint64_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

}  // namespace

DeconEngine::DeconEngine() : kernels_(&SelectDeconKernels()) {}

DeconEngine::~DeconEngine() = default;

int DeconEngine::Threads() const { return pool_ ? pool_->Threads() : 1; }

void DeconEngine::SetHooks(DeconHooks* hooks) { hooks_ = hooks ? hooks : &defaultHooks_; }

bool DeconEngine::Init(int32_t w, int32_t h, const DeconOptions& options) {
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        errorText_ = Format(kTextBadSize, w, h);
        return false;
    }
    const int threads = options.threads > 0 ? options.threads : DefaultDeconThreads();
    const size_t elements = (static_cast<size_t>(w) + 1) * (static_cast<size_t>(h) + 1);
    const size_t span = static_cast<size_t>(w) + kBackgroundSpanExtra;
    const uint64_t scratchBytes =
        static_cast<uint64_t>(threads) *
        (span * (kBackgroundScratchRows * sizeof(uint16_t) + kBackgroundGrid * sizeof(float)) +
         (kBlurredRing + 2) * static_cast<uint64_t>(w) * sizeof(float));
    const uint64_t protectedBytes =
        options.protect ? ProtectedRun::kBytesPerPixel * static_cast<uint64_t>(w) * static_cast<uint64_t>(h) : 0;
    const uint64_t needed = kArrayCount * elements * sizeof(float) + scratchBytes + protectedBytes;
    const uint64_t limit = options.memoryLimitBytes ? options.memoryLimitBytes : PhysicalMemoryBytes();
    const bool allocated = needed <= limit && estimate.Allocate(elements) &&
                           observed.Allocate(elements) && blurred.Allocate(elements) &&
                           correction.Allocate(elements) && background.Allocate(elements);
    if (!allocated) {
        for (FloatArray* array : {&estimate, &observed, &blurred, &correction, &background})
            *array = FloatArray();
        errorText_ = Format(kTextNoMemory, w, h);
        return false;
    }
    width = w;
    height = h;
    kernels_ = &SelectDeconKernels(options.kernels);
    pool_ = std::make_unique<RowPool>(threads);
    if (options.protect) protected_ = std::make_unique<ProtectedRun>(options.protectParts, pool_->Threads());
    sampleScratch_.assign(pool_->Threads(), std::vector<uint16_t>(span * kBackgroundScratchRows));
    sampleRows_.assign(pool_->Threads(), std::vector<float>(span * kBackgroundGrid));
    stepScratch_.assign(pool_->Threads(), std::vector<float>(StepScratchFloats()));
    changeRows_.assign(2 * static_cast<size_t>(h), 0.0);
    std::memset(psf, 0, sizeof psf);
    starCount = 1.0f;
    return true;
}

void DeconEngine::SetImage(uint16_t* pixels) {
    if (!pool_ || pixels == nullptr) return;
    image = pixels;
    // The background starts as the image, so that the pixels it never
    // reaches show the image when the background is first displayed.
    pool_->ForRows(0, height, [&](int first, int last, int) {
        for (int32_t row = first; row < last; ++row)
            for (int32_t column = 0; column < width; ++column) {
                const size_t i = Index(row, column);
                estimate[i] = observed[i] = background[i] = static_cast<float>(pixels[i]);
            }
    });
}

void DeconEngine::SetSelection(int32_t t, int32_t l, int32_t b, int32_t r) {
    top = std::max(t, kEdgeMargin);
    left = std::max(l, kEdgeMargin);
    bottom = std::min(b, height - kEdgeMargin);
    right = std::min(r, width - kEdgeMargin);
}

float DeconEngine::CorrelatePsf(const float* array, int32_t row, int32_t column) const {
    float sum = 0.0f;
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j)
            sum = sum + psf[i][j] * array[Index(row - kPsfHalf + i, column - kPsfHalf + j)];
    return sum;
}

void DeconEngine::WritePixels(const float* array, bool complete) {
    if (image == nullptr) return;
    hooks_->BeginPixelWrite();
    const bool shown = protected_ && protected_->Ready() && array == estimate.data();
    pool_->ForRows(0, height, [&](int first, int last, int) {
        for (int32_t row = first; row < last; ++row)
            if (!shown || row < top || row >= bottom)
                kernels_->toPixelsRow(array + Index(row, 0), image + Index(row, 0), width);
    });
    // The last step already showed the final estimate: writing it again for
    // ReturnImage would give the same pixels at the cost of a complete write.
    if (shown && !(complete && finalShown_)) protected_->Write(*this, *pool_, *kernels_, complete);
    hooks_->EndPixelWrite();
    hooks_->ImageUpdated();
}

void DeconEngine::ReturnImage() {
    // After an abort the arrays may be mid-step; the pixels keep the last
    // estimate written.
    if (stepsRan_ && !aborted_) WritePixels(estimate.data());
}

StartOutcome DeconEngine::Refuse(const char* text) {
    refusalText_ = text;
    Status(text);
    return StartOutcome::refused;
}

StartOutcome DeconEngine::Start(int iterations) {
    if (started_) return Refuse(kTextAlreadyRun);
    if (image == nullptr) return Refuse(kTextNoImage);
    if (starsUsed_ == 0) return Refuse(kTextNoUsableStar);
    if (Selection().Empty()) return Refuse(kTextEmptySelection);
    started_ = true;
    iterations = std::clamp(iterations, kMinIterations, kMaxIterations);

    aborted_ = true;  // until the end is reached

    if (protected_) protected_->TakeImage(*this);
    Status(kTextNoiseReduction);
    if (!ReduceNoise()) return StartOutcome::aborted;

    Status(kTextEstimatingBackground);
    const bool backgroundDone = EstimateBackground();
    WritePixels(background.data());  // shown while the steps start, even after an abort
    if (!backgroundDone) return StartOutcome::aborted;
    if (protected_) protected_->Prepare(*this, *pool_);

    stepsRan_ = true;
    if (!Deconvolve(iterations)) return StartOutcome::aborted;
    aborted_ = false;
    return StartOutcome::completed;
}

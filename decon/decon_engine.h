#pragma once
// The deconvolution engine: measures a point-spread function from stars the
// user picked, then sharpens a rectangle of a 16-bit image by damped
// Lucy-Richardson iteration, writing its progress into the caller's pixels.
// It knows nothing of any user interface: it talks to the world only through
// DeconHooks. One engine serves one run; see decon_worker.h for the threads.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decon/decon_hooks.h"
#include "decon/float_array.h"
#include "decon/kernels.h"

class ProtectedRun;
class RowPool;

// Rows and columns; bottom and right are exclusive.
struct DeconRect {
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
    bool Empty() const { return bottom <= top || right <= left; }
    bool operator==(const DeconRect&) const = default;
};

struct DeconOptions {
    int threads = 0;                   // 0: DefaultDeconThreads()
    const char* kernels = nullptr;     // a DeconKernels name; null: the widest usable
    uint64_t memoryLimitBytes = 0;     // 0: the machine's physical memory
    // The protected run (protected_run.h): sharper star cores, the sky's
    // grain kept, light kept, no seam at the area's edge. Off: the written
    // run, bit for bit.
    bool protect = false;
    uint32_t protectParts = 0x7u;     // ProtectPart bits, for measuring each part
};

enum class StarOutcome { used, outsideImage, nearEdge, noSignal };
enum class StartOutcome { completed, aborted, refused };

// The iteration counts a run accepts; Start clamps to them.
inline constexpr int kMinIterations = 1;
inline constexpr int kMaxIterations = 10;
// Damped steps in one iteration.
inline constexpr int kStepsPerIteration = 15;

class DeconEngine {
public:
    DeconEngine();
    virtual ~DeconEngine();
    DeconEngine(const DeconEngine&) = delete;
    DeconEngine& operator=(const DeconEngine&) = delete;

    // Allocates the arrays for width x height. On failure returns false and
    // ErrorText() says why; the engine is then unusable.
    bool Init(int32_t width, int32_t height, const DeconOptions& options = {});
    const std::string& ErrorText() const { return errorText_; }

    void SetHooks(DeconHooks* hooks);

    // Takes the image (width x height, row-major) and keeps the pointer for
    // the later writes. The buffer must outlive the engine's use of it.
    void SetImage(uint16_t* pixels);

    // Blends one star into the PSF. A star that cannot be measured is left
    // out and the status text says so.
    StarOutcome AddStar(int32_t column, int32_t row);
    int StarsUsed() const { return starsUsed_; }

    // The rectangle to deconvolve; it is pulled in to at least 10 pixels from
    // every edge, which the PSF and the background sampling need.
    void SetSelection(int32_t top, int32_t left, int32_t bottom, int32_t right);

    // Noise reduction, background, then 15 x iterations damped steps.
    // Refuses (leaving the pixels untouched) without an image, a usable star
    // or a non-empty selection; RefusalText() then says why.
    StartOutcome Start(int iterations);
    const std::string& RefusalText() const { return refusalText_; }

    // Writes estimate into the pixel buffer, if Start ran its steps to the end.
    void ReturnImage();

    // Converts any of the arrays into the pixel buffer and signals the update.
    // complete: the end of an iteration or of the run, not a live redisplay
    // only (the protected run finishes its pixels only then).
    void WritePixels(const float* array, bool complete = true);

    static int MedianOfThree(int a, int b, int d) {
        const int low = a < b ? a : b;
        const int high = a < b ? b : a;
        const int capped = high < d ? high : d;
        return low > capped ? low : capped;
    }

    // The PSF applied at one pixel, as stored (not mirrored).
    float CorrelatePsf(const float* array, int32_t row, int32_t column) const;

    int Threads() const;
    const char* KernelsName() const { return kernels_->name; }
    size_t Index(int32_t row, int32_t column) const {
        return static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column);
    }
    DeconRect Selection() const { return {top, left, bottom, right}; }

    // The run's state, readable by tests and tools; written only by the
    // engine. During the steps estimate and observed trade storage with
    // correction and blurred; between steps they hold the current values.
    int32_t width = 0;
    int32_t height = 0;
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
    FloatArray estimate;
    FloatArray observed;
    FloatArray blurred;
    FloatArray correction;
    FloatArray background;
    float psf[kPsfSize][kPsfSize] = {};
    float previousPsf[kPsfSize][kPsfSize] = {};
    float starCount = 1.0f;
    float updateThreshold = 0.0f;
    uint16_t* image = nullptr;

private:
    bool AbortRequested() const { return hooks_->AbortRequested(); }
    void Status(const char* text) { hooks_->SetStatus(text); }
    void StarStatus(const char* format, int32_t column, int32_t row);
    StartOutcome Refuse(const char* text);

    bool ReduceNoise();
    bool EstimateBackground();
    void SampleBackground(int32_t row, int slot);
    bool Smooth();
    bool Deconvolve(int iterations);
    void PrepareSteps();
    void UpdateAndMeasureRow(int32_t row, size_t first, const float* corr, int32_t columns, bool subtractAgain);
    double StepChange() const;
    void SubtractBackground();
    void SweepRows(int32_t first, int32_t last, bool subtractAgain, int slot);
    void BlurRows(int32_t row, int rows, int slot);
    void FinishInnerRows(int32_t row, int rows, bool subtractAgain, int slot);
    void FinishSpan(int32_t row, int32_t column, int32_t count, bool subtractAgain);
    float* RingRow(int slot, int32_t row);
    size_t StepScratchFloats() const;

    // Rows of blurred a thread keeps during a step (a power of two above the
    // twelve that two rows of correction need).
    static constexpr int kBlurredRing = 16;

    template <class Body>
    bool ForRowsUntilAbort(int32_t first, int32_t last, Body body);

    DeconHooks defaultHooks_;
    DeconHooks* hooks_ = &defaultHooks_;
    const DeconKernels* kernels_;
    std::unique_ptr<RowPool> pool_;
    std::unique_ptr<ProtectedRun> protected_;  // null for the written run
    // Per-thread scratch for the background's order statistic.
    std::vector<std::vector<uint16_t>> sampleScratch_;
    std::vector<std::vector<float>> sampleRows_;
    // Per-thread ring of blurred rows and two rows of correction.
    std::vector<std::vector<float>> stepScratch_;
    // Per-row sums of the step change: |new - old| and |old|.
    std::vector<double> changeRows_;
    bool measureChange_ = false;
    std::string errorText_;
    std::string refusalText_;
    int starsUsed_ = 0;
    bool started_ = false;
    bool stepsRan_ = false;
    bool finalShown_ = false;  // the protected run's last write was of the final estimate
    bool aborted_ = false;
};

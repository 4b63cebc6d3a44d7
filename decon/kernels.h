#pragma once
// The engine's per-row arithmetic, compiled once per instruction set from the
// same source. Every version computes each pixel with the same single
// precision operations in the same order, so all give bit-identical results.

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kPsfSize = 11;
inline constexpr int kPsfHalf = 5;
inline constexpr int kPsfTerms = kPsfSize * kPsfSize;
// Lanes the change of a step is summed in along a row.
inline constexpr int kChangeLanes = 8;

// Samples per pixel of the background's order statistic: an 8 x 8 grid with a
// pitch of 4, from offset -16 to +12 in rows and columns.
inline constexpr int kBackgroundGrid = 8;
inline constexpr int kBackgroundPitch = 4;
inline constexpr int kBackgroundReach = 16;
// Columns a row of samples spans beyond the pixels it serves.
inline constexpr int kBackgroundSpanExtra = (kBackgroundGrid - 1) * kBackgroundPitch;
// uint16 scratch a row needs, per column of the span.
inline constexpr int kBackgroundScratchRows = 28;

struct DeconKernels {
    const char* name;

    // One or two rows of the PSF correlation: out0[c] = sum over i, j = 0..10,
    // i outer, of psf[i * 11 + j] * in[i][c + j - 5]; out1 (when not null)
    // the same from in[i + 1]. in holds 11 row pointers, 12 with out1.
    void (*correlateRows)(const float* const* in, const float* psf, float* out0, float* out1, int count);

    // One row of a noise-reduction pass; obs and est point at the first pixel.
    void (*noiseRow)(const float* obs, ptrdiff_t stride, float* est, int count, bool firstPass);

    // samples[k] holds span values of the k-th sample row, starting 16 columns
    // left of the first pixel; out gets the tenth smallest of each pixel's 64
    // samples for span - 28 pixels. scratch holds 28 * span values.
    void (*tenthSmallestRow)(const float* const samples[kBackgroundGrid], int span,
                             uint16_t* scratch, float* out);

    // dst = (2 x src + up + down + left + right) / 6.
    void (*smoothRow)(const float* src, ptrdiff_t stride, float* dst, int count);

    // bg = smooth x 0.9, but never above est.
    void (*finalBackgroundRow)(const float* smooth, const float* est, float* bg, int count);

    void (*subtractBackgroundRow)(float* est, float* obs, const float* bg, int count);

    // estOut = est + bg and obsOut = obs + bg; then, when subtractAgain, both
    // less bg once more for the next step, each operation rounded on its own
    // as if stored. The outputs are other arrays than the inputs.
    void (*restoreBackgroundRow)(const float* est, const float* obs, const float* bg, int count,
                                 bool subtractAgain, float* estOut, float* obsOut);

    // Where obs + bg > threshold: est *= (q + w) / (w + 1), q = corr, w = 8
    // when q >= 1 else 20; then the work of restoreBackgroundRow.
    void (*updateAndRestoreRow)(const float* est, const float* obs, const float* bg, const float* corr,
                                float threshold, int count, bool subtractAgain, float* estOut, float* obsOut);

    // updateAndRestoreRow, also measuring how much it changes the estimate:
    // changed[l] gets the sum, in column order, of |estOut - bg - est|
    // (|estOut - est| when subtractAgain) over the columns c = l (mod 8)
    // below the last whole eight, size[l] that of |est|; the remaining
    // columns are added to lane 0 after them.
    void (*updateMeasureAndRestoreRow)(const float* est, const float* obs, const float* bg, const float* corr,
                                       float threshold, int count, bool subtractAgain, float* estOut,
                                       float* obsOut, float changed[kChangeLanes], float size[kChangeLanes]);

    // blurred = obs / blurred, with 1 standing in for a zero divisor.
    void (*ratioRow)(const float* obs, float* blurred, int count);

    // Clamped to 0..65535, truncated toward zero; NaN gives 0.
    void (*toPixelsRow)(const float* src, uint16_t* dst, int count);
};

const DeconKernels& GenericDeconKernels();
#if defined(QV_DECON_AVX2)
const DeconKernels& Avx2DeconKernels();
#endif
#if defined(QV_DECON_AVX512)
const DeconKernels& Avx512DeconKernels();
#endif

// The versions this processor can run, widest first.
std::vector<const DeconKernels*> UsableDeconKernels();

// The version named (or, for an empty or unknown name, the environment's
// QV_DECON_KERNELS, else the widest usable one).
const DeconKernels& SelectDeconKernels(const char* name = nullptr);

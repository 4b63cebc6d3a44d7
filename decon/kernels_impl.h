// The engine's row kernels, written once over GCC vector types. Each
// kernels_*.cpp defines QV_KERNEL_BYTES (the vector width) and includes this
// file; everything lives in an anonymous namespace so that code built for a
// wider instruction set can never be linked into another version. Only
// builtins are used here for the same reason.
//
// Lanes of a vector compute exactly what the scalar tail computes for one
// pixel, in the same order, so the result never depends on the width.

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "decon/kernels.h"

#ifndef QV_KERNEL_BYTES
#error "QV_KERNEL_BYTES must be defined before including kernels_impl.h"
#endif

namespace {

constexpr int kFloatLanes = QV_KERNEL_BYTES / 4;
constexpr int kShortLanes = QV_KERNEL_BYTES / 2;
typedef float VecF __attribute__((vector_size(QV_KERNEL_BYTES)));
typedef int32_t VecI __attribute__((vector_size(QV_KERNEL_BYTES)));
typedef uint16_t VecU __attribute__((vector_size(QV_KERNEL_BYTES)));

template <class V> struct Lanes;
template <> struct Lanes<float> { static constexpr int n = 1; };
template <> struct Lanes<VecF> { static constexpr int n = kFloatLanes; };
template <> struct Lanes<uint16_t> { static constexpr int n = 1; };
template <> struct Lanes<VecU> { static constexpr int n = kShortLanes; };

template <class V, class T> inline V Load(const T* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}
template <class V, class T> inline void Store(T* p, V v) { __builtin_memcpy(p, &v, sizeof v); }

// x in every lane (x - 0 keeps the sign of a zero).
template <class V> inline V Splat(float x) { return x - V{}; }
template <> inline float Splat<float>(float x) { return x; }

inline uint16_t Min(uint16_t a, uint16_t b) { return a < b ? a : b; }
inline uint16_t Max(uint16_t a, uint16_t b) { return a < b ? b : a; }
inline VecU Min(VecU a, VecU b) { return a < b ? a : b; }
inline VecU Max(VecU a, VecU b) { return a < b ? b : a; }

// ---- Correlation with the 11 x 11 PSF -------------------------------------

// Keeps a loaded vector in a register: left alone, the compiler folds the
// load into both multiplies that use it and doubles the loads.
template <class V> inline V InRegister(V v) {
    asm("" : "+v"(v));
    return v;
}
template <> inline float InRegister<float>(float v) { return v; }

// Adds the eleven terms of one PSF row for B vectors of pixels.
template <class V, int B>
inline void AddPsfRow(const float* in, const float* psfRow, V* acc) {
    constexpr int L = Lanes<V>::n;
    // Rolled over j: unrolled, the compiler keeps every coefficient in a
    // register and spills the accumulators instead.
#pragma GCC unroll 1
    for (int j = 0; j < kPsfSize; ++j) {
        const V k = Splat<V>(psfRow[j]);
#pragma GCC unroll 8
        for (int b = 0; b < B; ++b) acc[b] = acc[b] + k * Load<V>(in + j + b * L);
    }
}

// The same for two output rows reading the same input row with different PSF
// rows; each input vector is loaded once for both.
template <class V, int B>
inline void AddPsfRowTwice(const float* in, const float* psfRow0, const float* psfRow1, V* acc0,
                           V* acc1) {
    constexpr int L = Lanes<V>::n;
#pragma GCC unroll 1
    for (int j = 0; j < kPsfSize; ++j) {
        const V k0 = Splat<V>(psfRow0[j]);
        const V k1 = Splat<V>(psfRow1[j]);
#pragma GCC unroll 8
        for (int b = 0; b < B; ++b) {
            const V a = InRegister(Load<V>(in + j + b * L));
            acc0[b] = acc0[b] + k0 * a;
            acc1[b] = acc1[b] + k1 * a;
        }
    }
}

// Two output rows from in[0..11] at column c; each pixel still receives its
// 121 terms with i outer, j inner.
template <class V, int B>
inline void CorrelateTwoRows(const float* const* in, int c, const float* psf, float* out0, float* out1) {
    constexpr int L = Lanes<V>::n;
    V acc0[B], acc1[B];
    for (int b = 0; b < B; ++b) acc0[b] = acc1[b] = V{};
    const int first = c - kPsfHalf;
    AddPsfRow<V, B>(in[0] + first, psf, acc0);
    for (int x = 1; x < kPsfSize; ++x)
        AddPsfRowTwice<V, B>(in[x] + first, psf + x * kPsfSize, psf + (x - 1) * kPsfSize, acc0, acc1);
    AddPsfRow<V, B>(in[kPsfSize] + first, psf + (kPsfSize - 1) * kPsfSize, acc1);
    for (int b = 0; b < B; ++b) {
        Store(out0 + c + b * L, acc0[b]);
        Store(out1 + c + b * L, acc1[b]);
    }
}

template <class V, int B>
inline void CorrelateOneRow(const float* const* in, int c, const float* psf, float* out) {
    constexpr int L = Lanes<V>::n;
    V acc[B];
    for (int b = 0; b < B; ++b) acc[b] = V{};
    for (int i = 0; i < kPsfSize; ++i) AddPsfRow<V, B>(in[i] + c - kPsfHalf, psf + i * kPsfSize, acc);
    for (int b = 0; b < B; ++b) Store(out + c + b * L, acc[b]);
}

constexpr int kCorrelateBlock = QV_KERNEL_BYTES >= 64 ? 6 : 4;

void CorrelateRows(const float* const* in, const float* psf, float* out0, float* out1, int count) {
    constexpr int wide = kCorrelateBlock * kFloatLanes;
    int c = 0;
    if (out1 != nullptr) {
        for (; c + wide <= count; c += wide) CorrelateTwoRows<VecF, kCorrelateBlock>(in, c, psf, out0, out1);
        for (; c + kFloatLanes <= count; c += kFloatLanes) CorrelateTwoRows<VecF, 1>(in, c, psf, out0, out1);
        for (; c < count; ++c) CorrelateTwoRows<float, 1>(in, c, psf, out0, out1);
        return;
    }
    for (; c + wide <= count; c += wide) CorrelateOneRow<VecF, kCorrelateBlock>(in, c, psf, out0);
    for (; c + kFloatLanes <= count; c += kFloatLanes) CorrelateOneRow<VecF, 1>(in, c, psf, out0);
    for (; c < count; ++c) CorrelateOneRow<float, 1>(in, c, psf, out0);
}

// ---- Noise reduction --------------------------------------------------------

constexpr int kNoiseReach = 8;   // window offsets -8 .. +7
constexpr int kNoiseWindow = 16;

// Half-width of the band of values counted as the same level as a.
inline float NoiseTolerance(float a) {
    // The square root is taken in double and rounded to float before halving.
    return static_cast<float>(__builtin_sqrt((static_cast<double>(a) + 100.0) * 2.1)) / 2.0f;
}

inline float MeanOfFourNeighbours(const float* obs, ptrdiff_t stride) {
    return (((obs[-stride] + obs[stride]) + obs[-1]) + obs[1]) / 4.0f;
}

// Applies the outcome of a count for one pixel.
inline void ApplyNoiseCount(const float* obs, ptrdiff_t stride, float* est, int count, float sum,
                            bool firstPass) {
    if (count == 1)
        *est = MeanOfFourNeighbours(obs, stride);
    else if (firstPass && count > 0)
        *est = sum / static_cast<float>(count);
}

inline void NoisePixel(const float* obs, ptrdiff_t stride, float* est, bool firstPass) {
    const float a = *est;
    const float t = NoiseTolerance(a);
    const float lo = a - t, hi = a + t;
    int count = 0;
    float sum = 0.0f;
    for (int dy = -kNoiseReach; dy < kNoiseWindow - kNoiseReach; ++dy) {
        const float* row = obs + dy * stride - kNoiseReach;
        for (int dx = 0; dx < kNoiseWindow; ++dx) {
            const float b = row[dx];
            if (lo < b && b < hi) {
                ++count;
                sum += b;
            }
        }
        if (!firstPass && count >= 2) break;  // only a lone value matters after pass 0
    }
    ApplyNoiseCount(obs, stride, est, count, sum, firstPass);
}

inline void NoiseVector(const float* obs, ptrdiff_t stride, float* est, bool firstPass) {
    float loLanes[kFloatLanes], hiLanes[kFloatLanes];
    for (int l = 0; l < kFloatLanes; ++l) {
        const float t = NoiseTolerance(est[l]);
        loLanes[l] = est[l] - t;
        hiLanes[l] = est[l] + t;
    }
    const VecF lo = Load<VecF>(loLanes), hi = Load<VecF>(hiLanes);
    VecI count = VecI{};
    VecF sum = VecF{};
    for (int dy = -kNoiseReach; dy < kNoiseWindow - kNoiseReach; ++dy) {
        const float* row = obs + dy * stride - kNoiseReach;
#pragma GCC unroll 16
        for (int dx = 0; dx < kNoiseWindow; ++dx) {
            const VecF b = Load<VecF>(row + dx);
            const VecI inside = (lo < b) & (b < hi);
            count -= inside;
            sum += reinterpret_cast<VecF>(reinterpret_cast<VecI>(b) & inside);
        }
        if (!firstPass) {
            bool allShared = true;
            for (int l = 0; l < kFloatLanes; ++l) allShared = allShared && count[l] >= 2;
            if (allShared) return;
        }
    }
    for (int l = 0; l < kFloatLanes; ++l)
        ApplyNoiseCount(obs + l, stride, est + l, count[l], sum[l], firstPass);
}

void NoiseRow(const float* obs, ptrdiff_t stride, float* est, int count, bool firstPass) {
    int c = 0;
    for (; c + kFloatLanes <= count; c += kFloatLanes)
        NoiseVector(obs + c, stride, est + c, firstPass);
    for (; c < count; ++c) NoisePixel(obs + c, stride, est + c, firstPass);
}

// ---- Background order statistic ---------------------------------------------

constexpr int kRankKept = 10;  // the tenth smallest is wanted, so ten suffice

inline uint16_t SampleValue(float v) {
    v = v >= 0.0f ? v : 0.0f;  // NaN and negatives
    v = v <= 65535.0f ? v : 65535.0f;
    return static_cast<uint16_t>(static_cast<int32_t>(v));
}

// Sorts eight values held in eight rows, for every column (an optimal
// 19-comparator network).
template <class V>
inline void SortEight(uint16_t* const t[8], int x) {
    static constexpr int8_t pairs[19][2] = {{0, 2}, {1, 3}, {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6},
                                            {3, 7}, {0, 1}, {2, 3}, {4, 5}, {6, 7}, {2, 4}, {3, 5},
                                            {1, 4}, {3, 6}, {1, 2}, {3, 4}, {5, 6}};
    V v[8];
    for (int k = 0; k < 8; ++k) v[k] = Load<V>(t[k] + x);
#pragma GCC unroll 19
    for (const auto& p : pairs) {
        const V a = v[p[0]], b = v[p[1]];
        v[p[0]] = Min(a, b);
        v[p[1]] = Max(a, b);
    }
    for (int k = 0; k < 8; ++k) Store(t[k] + x, v[k]);
}

// The m-th smallest (from 0) of the union of sorted a[0..NA) and b[0..NB):
// the smallest, over every split of m + 1 values between the two lists, of
// the larger of the two last values taken.
template <class V, int NA, int NB>
inline V KthOfTwo(const V* a, const V* b, int m) {
    const int first = m + 1 - NB > 0 ? m + 1 - NB : 0;
    const int last = m + 1 < NA ? m + 1 : NA;
    V best{};
    for (int i = first; i <= last; ++i) {
        V term;
        if (i == 0)
            term = b[m];
        else if (i == m + 1)
            term = a[m];
        else
            term = Max(a[i - 1], b[m - i]);
        best = i == first ? term : Min(best, term);
    }
    return best;
}

// out[m] at column x = the m-th smallest of in's lists at x and x + offset.
template <class V, int NA>
inline void MergeKeepTen(uint16_t* const* in, int offset, uint16_t* const* out, int x) {
    V a[NA], b[NA];
    for (int k = 0; k < NA; ++k) {
        a[k] = Load<V>(in[k] + x);
        b[k] = Load<V>(in[k] + x + offset);
    }
#pragma GCC unroll 10
    for (int m = 0; m < kRankKept; ++m) Store(out[m] + x, KthOfTwo<V, NA, NA>(a, b, m));
}

template <class V>
inline void TenthOfQuads(uint16_t* const* q, int offset, float* out, int x) {
    V a[kRankKept], b[kRankKept];
    for (int k = 0; k < kRankKept; ++k) {
        a[k] = Load<V>(q[k] + x);
        b[k] = Load<V>(q[k] + x + offset);
    }
    const V tenth = KthOfTwo<V, kRankKept, kRankKept>(a, b, kRankKept - 1);
    for (int l = 0; l < Lanes<V>::n; ++l) out[x + l] = static_cast<float>(tenth[l]);
}
template <>
inline void TenthOfQuads<uint16_t>(uint16_t* const* q, int offset, float* out, int x) {
    uint16_t a[kRankKept], b[kRankKept];
    for (int k = 0; k < kRankKept; ++k) {
        a[k] = q[k][x];
        b[k] = q[k][x + offset];
    }
    out[x] = static_cast<float>(KthOfTwo<uint16_t, kRankKept, kRankKept>(a, b, kRankKept - 1));
}

// Runs fn(V-typed, x) over [0, n) in vectors, then single columns.
template <class Fn>
inline void ForColumns(int n, Fn fn) {
    int x = 0;
    for (; x + kShortLanes <= n; x += kShortLanes) fn(VecU{}, x);
    for (; x < n; ++x) fn(uint16_t{}, x);
}

void TenthSmallestRow(const float* const samples[kBackgroundGrid], int span, uint16_t* scratch,
                      float* out) {
    uint16_t* sorted[kBackgroundGrid];
    uint16_t* pairs[kRankKept];
    uint16_t* quads[kRankKept];
    for (int k = 0; k < kBackgroundGrid; ++k) sorted[k] = scratch + k * span;
    for (int m = 0; m < kRankKept; ++m) {
        pairs[m] = scratch + (kBackgroundGrid + m) * span;
        quads[m] = scratch + (kBackgroundGrid + kRankKept + m) * span;
    }
    for (int k = 0; k < kBackgroundGrid; ++k)
        for (int x = 0; x < span; ++x) sorted[k][x] = SampleValue(samples[k][x]);

    constexpr int pitch = kBackgroundPitch;
    ForColumns(span, [&](auto v, int x) { SortEight<decltype(v)>(sorted, x); });
    ForColumns(span - pitch, [&](auto v, int x) {
        MergeKeepTen<decltype(v), kBackgroundGrid>(sorted, pitch, pairs, x);
    });
    ForColumns(span - 3 * pitch, [&](auto v, int x) {
        MergeKeepTen<decltype(v), kRankKept>(pairs, 2 * pitch, quads, x);
    });
    ForColumns(span - kBackgroundSpanExtra,
               [&](auto v, int x) { TenthOfQuads<decltype(v)>(quads, 4 * pitch, out, x); });
}

// ---- Element-wise rows --------------------------------------------------------

void SmoothRow(const float* __restrict src, ptrdiff_t stride, float* __restrict dst, int count) {
    for (int c = 0; c < count; ++c)
        dst[c] = ((((2.0f * src[c] + src[c - stride]) + src[c + stride]) + src[c - 1]) + src[c + 1]) /
                 6.0f;
}

void FinalBackgroundRow(const float* __restrict smooth, const float* __restrict est,
                        float* __restrict bg, int count) {
    for (int c = 0; c < count; ++c) {
        const float v = smooth[c] * 0.9f;
        bg[c] = est[c] - v < 0.0f ? est[c] : v;
    }
}

void SubtractBackgroundRow(float* __restrict est, float* __restrict obs,
                           const float* __restrict bg, int count) {
    for (int c = 0; c < count; ++c) {
        est[c] -= bg[c];
        obs[c] -= bg[c];
    }
}

void RatioRow(const float* __restrict obs, float* __restrict blurred, int count) {
    for (int c = 0; c < count; ++c) {
        const float divisor = blurred[c] == 0.0f ? 1.0f : blurred[c];
        blurred[c] = obs[c] / divisor;
    }
}

template <bool subtractAgain>
inline void Restore(const float* __restrict obs, const float* __restrict bg, int c, float e,
                    float* __restrict estOut, float* __restrict obsOut) {
    e = e + bg[c];
    float o = obs[c] + bg[c];
    if (subtractAgain) {
        e = e - bg[c];
        o = o - bg[c];
    }
    estOut[c] = e;
    obsOut[c] = o;
}

template <bool subtractAgain>
void RestoreRows(const float* __restrict est, const float* __restrict obs, const float* __restrict bg, int count,
                 float* __restrict estOut, float* __restrict obsOut) {
    for (int c = 0; c < count; ++c) Restore<subtractAgain>(obs, bg, c, est[c], estOut, obsOut);
}

void RestoreBackgroundRow(const float* est, const float* obs, const float* bg, int count, bool subtractAgain,
                          float* estOut, float* obsOut) {
    if (subtractAgain)
        RestoreRows<true>(est, obs, bg, count, estOut, obsOut);
    else
        RestoreRows<false>(est, obs, bg, count, estOut, obsOut);
}

// Stores past the cache: the new arrays are not read again within a step,
// so fetching their old contents first would only double the traffic.
inline void StreamStore(float* p, VecF v) {
#if QV_KERNEL_BYTES == 64
    _mm512_stream_ps(p, reinterpret_cast<__m512>(v));
#elif QV_KERNEL_BYTES == 32
    _mm256_stream_ps(p, reinterpret_cast<__m256>(v));
#else
    _mm_stream_ps(p, reinterpret_cast<__m128>(v));
#endif
}

template <bool subtractAgain, class V>
inline void UpdatePixels(const float* est, const float* obs, const float* bg, const float* corr, float threshold,
                         int c, V& estNew, V& obsNew) {
    const V q = Load<V>(corr + c), o = Load<V>(obs + c), b = Load<V>(bg + c), e = Load<V>(est + c);
    const V w = q >= Splat<V>(1.0f) ? Splat<V>(8.0f) : Splat<V>(20.0f);
    const V factor = (q + w) / (w + Splat<V>(1.0f));
    V updated = o + b > Splat<V>(threshold) ? e * factor : e;
    updated = updated + b;
    V observed = o + b;
    if (subtractAgain) {
        updated = updated - b;
        observed = observed - b;
    }
    estNew = updated;
    obsNew = observed;
}

// ---- The change of a step, measured during the update -----------------------

inline float Magnitude(float v) { return __builtin_fabsf(v); }
inline VecF Magnitude(VecF v) { return reinterpret_cast<VecF>(reinterpret_cast<VecI>(v) & 0x7fffffff); }

// A row's change sums, kChangeLanes lanes by column (c mod 8) in column order,
// whatever the vector width and wherever the aligned stretch of the row
// starts. The aligned vectors add into lanes rotated to their first column;
// with four float lanes two accumulators take turns, with sixteen each
// vector's halves go in one after the other.
class ChangeLanes {
public:
    explicit ChangeLanes(int count) : whole_(count - count % kChangeLanes) {}

    // Past the last whole eight columns, everything goes into lane 0.
    void AddPixel(int c, float estNew, float off, float bg, float est) {
        const int lane = c < whole_ ? c % kChangeLanes : 0;
        changed_[lane] += Magnitude(estNew - off * bg - est);
        size_[lane] += Magnitude(est);
    }
    // The last column the vectors may reach: beyond it AddPixel sorts them.
    int VectorEnd() const { return whole_; }

    void BeginVectors(int first) {
        first_ = first;
        part_ = 0;
        float changed[kChangeLanes], size[kChangeLanes];
        for (int i = 0; i < kChangeLanes; ++i) {
            changed[i] = changed_[(first + i) % kChangeLanes];
            size[i] = size_[(first + i) % kChangeLanes];
        }
        __builtin_memcpy(changedParts_, changed, sizeof changed);
        __builtin_memcpy(sizeParts_, size, sizeof size);
    }
    void AddVector(VecF estNew, float off, VecF bg, VecF est) {
        const VecF changed = Magnitude(estNew - off * bg - est), size = Magnitude(est);
#if QV_KERNEL_BYTES == 64
        AddHalves(changed, changedParts_[0]);
        AddHalves(size, sizeParts_[0]);
#else
        changedParts_[part_] += changed;
        sizeParts_[part_] += size;
        part_ = (part_ + 1) % kParts;
#endif
    }
    void EndVectors() {
        float changed[kChangeLanes], size[kChangeLanes];
        __builtin_memcpy(changed, changedParts_, sizeof changed);
        __builtin_memcpy(size, sizeParts_, sizeof size);
        for (int i = 0; i < kChangeLanes; ++i) {
            changed_[(first_ + i) % kChangeLanes] = changed[i];
            size_[(first_ + i) % kChangeLanes] = size[i];
        }
    }
    void CopyOut(float* changed, float* size) const {
        for (int i = 0; i < kChangeLanes; ++i) changed[i] = changed_[i], size[i] = size_[i];
    }

private:
#if QV_KERNEL_BYTES == 64
    typedef float Part __attribute__((vector_size(kChangeLanes * 4)));
    static constexpr int kParts = 1;
    static void AddHalves(VecF v, Part& sum) {
        sum += __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7);
        sum += __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15);
    }
#else
    typedef VecF Part;
    static constexpr int kParts = kChangeLanes / kFloatLanes;
#endif
    static_assert(kParts * sizeof(Part) == kChangeLanes * sizeof(float));

    int whole_;
    int first_ = 0, part_ = 0;
    float changed_[kChangeLanes] = {}, size_[kChangeLanes] = {};
    Part changedParts_[kParts], sizeParts_[kParts];
};

// ---- The damped update --------------------------------------------------------

template <bool subtractAgain, bool measure>
void UpdateRows(const float* __restrict est, const float* __restrict obs, const float* __restrict bg,
                const float* __restrict corr, float threshold, int count, float* __restrict estOut,
                float* __restrict obsOut, float* changed, float* size) {
    const float off = subtractAgain ? 0.0f : 1.0f;
    ChangeLanes lanes(count);
    auto one = [&](int c) {
        float e, o;
        UpdatePixels<subtractAgain, float>(est, obs, bg, corr, threshold, c, e, o);
        if (measure) lanes.AddPixel(c, e, off, bg[c], est[c]);
        estOut[c] = e;
        obsOut[c] = o;
    };
    int c = 0;
    const uintptr_t alignment = sizeof(VecF);
    if ((reinterpret_cast<uintptr_t>(estOut) - reinterpret_cast<uintptr_t>(obsOut)) % alignment == 0) {
        for (; c < count && reinterpret_cast<uintptr_t>(estOut + c) % alignment != 0; ++c) one(c);
        const int end = measure ? lanes.VectorEnd() : count;
        if (measure) lanes.BeginVectors(c);
        for (; c + kFloatLanes <= end; c += kFloatLanes) {
            VecF e, o;
            UpdatePixels<subtractAgain, VecF>(est, obs, bg, corr, threshold, c, e, o);
            if (measure) lanes.AddVector(e, off, Load<VecF>(bg + c), Load<VecF>(est + c));
            StreamStore(estOut + c, e);
            StreamStore(obsOut + c, o);
        }
        if (measure) lanes.EndVectors();
        _mm_sfence();  // streamed stores are weakly ordered: publish them before the step ends
    }
    for (; c < count; ++c) one(c);
    if (measure) lanes.CopyOut(changed, size);
}

void UpdateAndRestoreRow(const float* est, const float* obs, const float* bg, const float* corr, float threshold,
                         int count, bool subtractAgain, float* estOut, float* obsOut) {
    if (subtractAgain)
        UpdateRows<true, false>(est, obs, bg, corr, threshold, count, estOut, obsOut, nullptr, nullptr);
    else
        UpdateRows<false, false>(est, obs, bg, corr, threshold, count, estOut, obsOut, nullptr, nullptr);
}

void UpdateMeasureAndRestoreRow(const float* est, const float* obs, const float* bg, const float* corr,
                                float threshold, int count, bool subtractAgain, float* estOut, float* obsOut,
                                float* changed, float* size) {
    if (subtractAgain)
        UpdateRows<true, true>(est, obs, bg, corr, threshold, count, estOut, obsOut, changed, size);
    else
        UpdateRows<false, true>(est, obs, bg, corr, threshold, count, estOut, obsOut, changed, size);
}

void ToPixelsRow(const float* __restrict src, uint16_t* __restrict dst, int count) {
    for (int c = 0; c < count; ++c) {
        float v = src[c];
        v = v >= 0.0f ? v : 0.0f;
        v = v <= 65535.0f ? v : 65535.0f;
        dst[c] = static_cast<uint16_t>(static_cast<int32_t>(v));
    }
}

constexpr DeconKernels MakeKernels(const char* name) {
    return DeconKernels{name,
                        CorrelateRows,
                        NoiseRow,
                        TenthSmallestRow,
                        SmoothRow,
                        FinalBackgroundRow,
                        SubtractBackgroundRow,
                        RestoreBackgroundRow,
                        UpdateAndRestoreRow,
                        UpdateMeasureAndRestoreRow,
                        RatioRow,
                        ToPixelsRow};
}

}  // namespace

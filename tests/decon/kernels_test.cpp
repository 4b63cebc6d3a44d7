// The row kernels: every instruction-set build against a plain reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "decon/decon_engine.h"
#include "decon/kernels.h"

namespace {

std::vector<float> RandomValues(size_t count, float low, float high, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(low, high);
    std::vector<float> values(count);
    for (float& v : values) v = value(random);
    return values;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class Kernels : public ::testing::TestWithParam<const DeconKernels*> {
protected:
    const DeconKernels& k = *GetParam();
};

std::string KernelName(const ::testing::TestParamInfo<const DeconKernels*>& info) { return info.param->name; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(EveryBuild, Kernels, ::testing::ValuesIn(UsableDeconKernels()), KernelName);

// Every kernel build computes the engine's CorrelatePsf (the 121 products
// added in row-major PSF order) for one or two rows and any width.
TEST_P(Kernels, CorrelationMatchesCorrelatePsf) {
    const int width = 83, height = 27;
    DeconEngine engine;
    ASSERT_TRUE(engine.Init(width, height, {.threads = 1}));
    const std::vector<float> image = RandomValues(size_t(width) * height, -50.0f, 3000.0f, 1);
    std::copy(image.begin(), image.end(), engine.estimate.data());
    const std::vector<float> psf = RandomValues(kPsfTerms, 0.0f, 0.02f, 2);
    std::copy(psf.begin(), psf.end(), &engine.psf[0][0]);
    const int top = 5, left = 6;
    const float* in[kPsfSize + 1];
    for (int x = 0; x <= kPsfSize; ++x) in[x] = engine.estimate.data() + engine.Index(top - 5 + x, left);
    for (int outRows : {1, 2}) {
        for (int count : {1, 7, 16, 33, 61}) {
            std::vector<float> out0(count, -1.0f), out1(count, -1.0f);
            k.correlateRows(in, psf.data(), out0.data(), outRows == 2 ? out1.data() : nullptr, count);
            for (int r = 0; r < outRows; ++r)
                for (int c = 0; c < count; ++c)
                    ASSERT_TRUE(SameBits((r == 0 ? out0 : out1)[c],
                                         engine.CorrelatePsf(engine.estimate.data(), top + r, left + c)))
                        << "rows " << outRows << " count " << count << " pixel " << r << "," << c;
        }
    }
}

// The background statistic is the tenth smallest of 64 truncated samples
// taken every fourth column of eight sample rows.
TEST_P(Kernels, TenthSmallestMatchesSortingTheSamples) {
    for (int span : {kBackgroundSpanExtra + 1, 45, 64, 131}) {
        std::vector<std::vector<float>> rows;
        for (int k8 = 0; k8 < kBackgroundGrid; ++k8) {
            rows.push_back(RandomValues(span, 0.0f, 400.0f, 10 + span * 8 + k8));
            for (int x = 0; x < span; x += 7) rows.back()[x] = std::floor(rows.back()[x]);  // ties
        }
        rows[3][5] = -3.0f;    // below the integer range: counts as 0
        rows[6][9] = 70000.0f;  // above it: counts as 65535
        const float* pointers[kBackgroundGrid];
        for (int k8 = 0; k8 < kBackgroundGrid; ++k8) pointers[k8] = rows[k8].data();
        std::vector<uint16_t> scratch(size_t(kBackgroundScratchRows) * span);
        const int count = span - kBackgroundSpanExtra;
        std::vector<float> out(count);
        k.tenthSmallestRow(pointers, span, scratch.data(), out.data());
        for (int x = 0; x < count; ++x) {
            std::vector<int> samples;
            for (int k8 = 0; k8 < kBackgroundGrid; ++k8)
                for (int m = 0; m < kBackgroundGrid; ++m)
                    samples.push_back(std::clamp(int(rows[k8][x + m * kBackgroundPitch]), 0, 65535));
            std::sort(samples.begin(), samples.end());
            ASSERT_EQ(out[x], float(samples[9])) << "span " << span << " pixel " << x;
        }
    }
}

// Noise reduction: the band is sqrt((a + 100) 2.1) / 2 either side; a lone
// value takes its four neighbours' mean; in the first pass every other pixel
// takes the mean of the values in its band.
TEST_P(Kernels, NoiseRowFollowsTheBandRule) {
    const int stride = 64, rows = 20;
    std::vector<float> observed = RandomValues(size_t(stride) * rows, 900.0f, 1100.0f, 3);
    for (float& v : observed) v = std::floor(v);
    observed[10 * stride + 20] = 5000.0f;  // hot pixels
    observed[10 * stride + 41] = 4000.0f;
    for (bool firstPass : {true, false}) {
        std::vector<float> estimate = observed;
        const size_t origin = size_t(10) * stride + 8;
        const int count = 45;
        k.noiseRow(observed.data() + origin, stride, estimate.data() + origin, count, firstPass);
        for (int c = 0; c < count; ++c) {
            const size_t p = origin + c;
            const float a = observed[p];
            const float t = float(std::sqrt((double(a) + 100.0) * 2.1)) / 2.0f;
            int n = 0;
            float sum = 0.0f;
            for (int dy = -8; dy < 8; ++dy)
                for (int dx = -8; dx < 8; ++dx) {
                    const float b = observed[p + dy * stride + dx];
                    if (a - t < b && b < a + t) ++n, sum += b;
                }
            float expected = a;
            if (n == 1)
                expected = (((observed[p - stride] + observed[p + stride]) + observed[p - 1]) + observed[p + 1]) / 4.0f;
            else if (firstPass)
                expected = sum / float(n);
            ASSERT_TRUE(SameBits(estimate[p], expected)) << "first pass " << firstPass << " pixel " << c;
        }
        const float hotMean = (((observed[9 * stride + 20] + observed[11 * stride + 20]) + observed[10 * stride + 19]) +
                               observed[10 * stride + 21]) / 4.0f;
        EXPECT_EQ(estimate[10 * stride + 20], hotMean) << "first pass " << firstPass;
    }
}

// A zero divisor counts as 1, so the ratio is the observed value.
TEST_P(Kernels, RatioUsesOneForAZeroDivisor) {
    const std::vector<float> observed = {5.0f, 6.0f, 7.0f, -8.0f, 9.0f};
    std::vector<float> blurred = {0.0f, 2.0f, -0.0f, 4.0f, 0.5f};
    k.ratioRow(observed.data(), blurred.data(), 5);
    EXPECT_EQ(blurred, (std::vector<float>{5.0f, 3.0f, 7.0f, -2.0f, 18.0f}));
}

// Values above 65535 become 65535, below 0 become 0, others are truncated.
TEST_P(Kernels, ReturnConversionClampsAndTruncates) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {65535.4f, 65536.0f, -0.2f, 12.9f, 0.0f, 1e30f, -inf, nan, 40000.5f};
    const std::vector<uint16_t> expected = {65535, 65535, 0, 12, 0, 65535, 0, 0, 40000};
    for (int copies = 0; copies < 5; ++copies) values.insert(values.end(), values.begin(), values.begin() + 9);
    std::vector<uint16_t> pixels(values.size(), 7);
    k.toPixelsRow(values.data(), pixels.data(), int(values.size()));
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(pixels[i], expected[i % 9]) << "value " << values[i];
}

// The update only touches pixels strictly above the threshold and damps the
// correction by 9 where it brightens and by 21 where it darkens; the
// background then goes back on.
TEST_P(Kernels, DampedUpdateRespectsTheThresholdAndTheDamping) {
    const std::vector<float> estimate = {100.0f, 100.0f, 100.0f, 100.0f};
    const std::vector<float> observed = {60.0f, 61.0f, 61.0f, 61.0f};
    const std::vector<float> background = {40.0f, 40.0f, 40.0f, 40.0f};
    const std::vector<float> correction = {2.0f, 1.9f, 0.58f, 1.0f};
    std::vector<float> est(4), obs(4);
    k.updateAndRestoreRow(estimate.data(), observed.data(), background.data(), correction.data(), 100.0f, 4, false,
                          est.data(), obs.data());
    EXPECT_EQ(est[0], 140.0f);  // 60 + 40 is not above 100
    EXPECT_EQ(est[1], 100.0f * ((1.9f + 8.0f) / 9.0f) + 40.0f);
    EXPECT_EQ(est[2], 100.0f * ((0.58f + 20.0f) / 21.0f) + 40.0f);
    EXPECT_EQ(est[3], 140.0f);  // q = 1: no change
    EXPECT_EQ(obs, (std::vector<float>{100.0f, 101.0f, 101.0f, 101.0f}));
}

// Taking the background off again in the same pass gives exactly what a
// separate pass gives.
TEST_P(Kernels, BackgroundOffAgainMatchesASeparatePass) {
    const int n = 77;
    const std::vector<float> est0 = RandomValues(n, 0.0f, 5000.0f, 5), obs0 = RandomValues(n, 0.0f, 5000.0f, 6);
    const std::vector<float> bg = RandomValues(n, 0.0f, 900.0f, 7), corr = RandomValues(n, 0.5f, 1.5f, 8);
    std::vector<float> estFused(n), obsFused(n), estSplit(n), obsSplit(n);
    k.updateAndRestoreRow(est0.data(), obs0.data(), bg.data(), corr.data(), 800.0f, n, true, estFused.data(),
                          obsFused.data());
    k.updateAndRestoreRow(est0.data(), obs0.data(), bg.data(), corr.data(), 800.0f, n, false, estSplit.data(),
                          obsSplit.data());
    k.subtractBackgroundRow(estSplit.data(), obsSplit.data(), bg.data(), n);
    for (int c = 0; c < n; ++c) {
        ASSERT_TRUE(SameBits(estFused[c], estSplit[c])) << "estimate at " << c;
        ASSERT_TRUE(SameBits(obsFused[c], obsSplit[c])) << "observed at " << c;
    }
    std::vector<float> estRestore(n), obsRestore(n);
    k.restoreBackgroundRow(est0.data(), obs0.data(), bg.data(), n, true, estRestore.data(), obsRestore.data());
    for (int c = 0; c < n; ++c)
        ASSERT_TRUE(SameBits(estRestore[c], (est0[c] + bg[c]) - bg[c])) << "estimate at " << c;
}

// Measuring the change during the update writes exactly what the plain
// update writes, and sums the change in eight lanes by column, in column
// order, the columns past the last whole eight in lane 0: the same bits for
// every row length, every alignment of the row and every build.
TEST_P(Kernels, MeasuredUpdateSumsTheChangeInEightLanesWhateverTheAlignment) {
    const int longest = 200, slack = 16, stride = 256;
    const std::vector<float> est = RandomValues(longest + slack, 0.0f, 5000.0f, 11);
    const std::vector<float> obs = RandomValues(longest + slack, 0.0f, 5000.0f, 12);
    const std::vector<float> bg = RandomValues(longest + slack, 0.0f, 900.0f, 13);
    const std::vector<float> corr = RandomValues(longest + slack, 0.5f, 1.5f, 14);
    for (bool subtractAgain : {false, true})
        for (int count : {1, 7, 8, 13, 31, 77, longest})
            for (int shift = 0; shift < slack; ++shift) {
                // Outputs a multiple of 64 bytes apart, as in the engine's arrays,
                // so that the kernels take their aligned vector path.
                std::vector<float> plain(2 * stride), measured(2 * stride);
                const float* estPlain = plain.data();
                const float* estMeasured = measured.data();
                const float* obsPlain = estPlain + stride;
                const float* obsMeasured = estMeasured + stride;
                float changed[kChangeLanes], size[kChangeLanes];
                k.updateAndRestoreRow(est.data() + shift, obs.data() + shift, bg.data() + shift, corr.data() + shift,
                                      800.0f, count, subtractAgain, plain.data() + shift,
                                      plain.data() + stride + shift);
                k.updateMeasureAndRestoreRow(est.data() + shift, obs.data() + shift, bg.data() + shift,
                                             corr.data() + shift, 800.0f, count, subtractAgain,
                                             measured.data() + shift, measured.data() + stride + shift, changed,
                                             size);
                float wantChanged[kChangeLanes] = {}, wantSize[kChangeLanes] = {};
                const int whole = count - count % kChangeLanes;
                const float off = subtractAgain ? 0.0f : 1.0f;
                for (int c = 0; c < count; ++c) {
                    const int i = c + shift, lane = c < whole ? c % kChangeLanes : 0;
                    ASSERT_TRUE(SameBits(estMeasured[i], estPlain[i])) << "estimate at " << c << ", shift " << shift;
                    ASSERT_TRUE(SameBits(obsMeasured[i], obsPlain[i])) << "observed at " << c << ", shift " << shift;
                    wantChanged[lane] += std::fabs(estPlain[i] - off * bg[i] - est[i]);
                    wantSize[lane] += std::fabs(est[i]);
                }
                for (int l = 0; l < kChangeLanes; ++l) {
                    ASSERT_TRUE(SameBits(changed[l], wantChanged[l]))
                        << "lane " << l << " of " << count << " columns, shift " << shift
                        << (subtractAgain ? ", background off again" : "");
                    ASSERT_TRUE(SameBits(size[l], wantSize[l])) << "size lane " << l << ", shift " << shift;
                }
            }
}

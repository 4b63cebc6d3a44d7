// The protected run against a field whose truth is known: sharp stars on a
// flat sky, blurred by a Gaussian PSF, with noise added.

#include <gtest/gtest.h>

#include <cmath>

#include "decon/protected_run.h"
#include "tests/decon/decon_test_util.h"

namespace {

constexpr int kSide = 160;
constexpr double kSky = 2000.0;
constexpr double kTrueSigma = 1.0;
constexpr double kBlurSigma = 1.6;  // the PSF: observed sigma^2 = true^2 + blur^2

std::vector<TestStar> Stars(double sigma) {
    std::vector<TestStar> stars;
    for (int k = 0; k < 9; ++k) {
        const double peakAtTrue = 9000.0 - 700.0 * k;  // the same light at every width
        stars.push_back({35.0 + 45.0 * (k % 3) + 0.3 * k, 35.0 + 45.0 * (k / 3) - 0.2 * k,
                         peakAtTrue * (kTrueSigma * kTrueSigma) / (sigma * sigma), sigma});
    }
    return stars;
}

struct Errors {
    double stars = 0.0, sky = 0.0;  // RMS against the truth
};

// RMS within 4 px of a star, and over the sky more than 8 px from every star,
// both inside the area the run may change.
Errors Compare(const TestImage& result, const TestImage& truth) {
    double starSum = 0.0, skySum = 0.0;
    int starCount = 0, skyCount = 0;
    for (int row = 20; row < kSide - 20; ++row)
        for (int column = 20; column < kSide - 20; ++column) {
            double nearest = 1e9;
            for (const TestStar& s : Stars(kTrueSigma)) nearest = std::min(nearest, std::hypot(column - s.column, row - s.row));
            const double e = double(result.At(column, row)) - truth.At(column, row);
            if (nearest <= 4.0) starSum += e * e, ++starCount;
            if (nearest > 8.0) skySum += e * e, ++skyCount;
        }
    return {std::sqrt(starSum / starCount), std::sqrt(skySum / skyCount)};
}

Errors RunOn(uint32_t parts, bool protect) {
    const double observedSigma = std::sqrt(kTrueSigma * kTrueSigma + kBlurSigma * kBlurSigma);
    TestImage image = MakeStarField(kSide, kSide, kSky, 400.0, Stars(observedSigma), 7);
    const TestImage truth = MakeStarField(kSide, kSide, kSky, 0.0, Stars(kTrueSigma));
    RunSetup setup;
    setup.stars = {{35, 35}, {80, 35}, {125, 35}};
    setup.iterations = 5;
    setup.options.protect = protect;
    setup.options.protectParts = parts;
    EXPECT_EQ(RunEngine(image, setup), StartOutcome::completed);
    return Compare(image, truth);
}

}  // namespace

// The protected run, and its cores and weights alone, are closer to the truth than the written run, over the stars and the sky.
TEST(ProtectedRun, CloserToTheTruthThanTheWrittenRun) {
    const Errors written = RunOn(0, false);
    const Errors protectedRun = RunOn(kProtectCores | kProtectWeights, true);
    EXPECT_LT(protectedRun.stars, 0.95 * written.stars) << written.stars;
    EXPECT_LT(protectedRun.sky, 0.95 * written.sky) << written.sky;
    const Errors all = RunOn(kProtectAll, true);
    EXPECT_LT(all.sky, 0.95 * written.sky) << written.sky;
    EXPECT_LT(all.stars, written.stars) << written.stars;
}

// Each part on its own: cores bring the stars, weights the sky, and keeping the light both, closer to the truth.
TEST(ProtectedRun, EachPartMovesTowardTheTruth) {
    const Errors written = RunOn(0, false);
    EXPECT_LT(RunOn(kProtectCores, true).stars, 0.95 * written.stars);
    EXPECT_LT(RunOn(kProtectWeights, true).sky, 0.95 * written.sky);
    const Errors flux = RunOn(kProtectFlux, true);
    EXPECT_LT(flux.stars, written.stars);
    EXPECT_LT(flux.sky, written.sky);
}

// No part chosen is the written run, bit for bit; pixels outside the area never change.
TEST(ProtectedRun, NoPartsIsTheWrittenRunAndOutsideStaysPut) {
    TestImage written = MakeStarField(96, 80, 1500.0, 60.0, {{40.2, 38.7, 9000.0, 1.8}}, 3);
    TestImage none = written, all = written;
    const TestImage original = written;
    RunSetup setup;
    setup.stars = {{40, 39}};
    setup.selection = DeconRect{20, 22, 60, 70};
    ASSERT_EQ(RunEngine(written, setup), StartOutcome::completed);
    setup.options.protect = true;
    setup.options.protectParts = 0;
    ASSERT_EQ(RunEngine(none, setup), StartOutcome::completed);
    EXPECT_EQ(none.pixels, written.pixels);
    setup.options.protectParts = kProtectAll;
    ASSERT_EQ(RunEngine(all, setup), StartOutcome::completed);
    EXPECT_NE(all.pixels, written.pixels);
    for (int row = 0; row < 80; ++row)
        for (int column = 0; column < 96; ++column)
            if (row < 20 || row >= 60 || column < 22 || column >= 70) {
                ASSERT_EQ(all.At(column, row), original.At(column, row)) << column << "," << row;
            }
}

// The memory check counts what the protected run keeps beside the arrays:
// a limit that holds the written run refuses the protected one at Init.
TEST(ProtectedRun, MemoryCheckCountsTheProtectedArrays) {
    const uint64_t side = 1000, written = 5 * (side + 1) * (side + 1) * sizeof(float);
    const uint64_t limit = written + side * side;  // room for the scratch rows, not for 34 B a pixel
    DeconEngine plain, guarded;
    EXPECT_TRUE(plain.Init(side, side, {.threads = 1, .kernels = nullptr, .memoryLimitBytes = limit}));
    EXPECT_FALSE(guarded.Init(side, side,
                              {.threads = 1, .kernels = nullptr, .memoryLimitBytes = limit, .protect = true}));
    EXPECT_EQ(guarded.ErrorText(), "Not enough memory to deconvolve a 1000 x 1000 image.");
}

// Checking picks with the engine's rules, and the PSF a list of picks gives.

#include "decon/star_check.h"

#include <gtest/gtest.h>

#include <cmath>

#include "decon_test_util.h"

namespace {

StarCheck Check(const TestImage& image, int column, int row, StarCheckLimits limits = {}) {
    return CheckStar(image.pixels.data(), image.width, image.height, column, row, limits).check;
}

}  // namespace

// Each reason a pick is refused or flagged, on one synthetic noisy field.
TEST(StarCheck, EachReasonIsReported) {
    const TestImage image = MakeStarField(
        160, 80, 300, 20,
        {{40, 40, 6000, 1.5}, {100, 40, 90000, 1.5}, {3, 40, 6000, 1.5}, {130, 60, 30000, 1.5}});
    EXPECT_EQ(Check(image, 41, 38), StarCheck::ok);
    EXPECT_EQ(Check(image, 100, 40), StarCheck::saturated);            // clipped at 65535
    EXPECT_EQ(Check(image, 130, 60, {.saturationLevel = 30000}), StarCheck::saturated);
    EXPECT_EQ(Check(image, 130, 60, {.saturationLevel = 40000}), StarCheck::ok);
    EXPECT_EQ(Check(image, 4, 40), StarCheck::nearEdge);
    EXPECT_EQ(Check(image, 70, 15), StarCheck::blankSky);              // noise only
    EXPECT_EQ(Check(image, -40, 40), StarCheck::outsideImage);
    EXPECT_EQ(Check(image, 40, 200), StarCheck::outsideImage);
    EXPECT_EQ(Check(image, INT32_MIN, INT32_MAX), StarCheck::outsideImage);

    const TestImage flat = MakeStarField(64, 64, 300, 0, {});
    EXPECT_EQ(Check(flat, 32, 32), StarCheck::noSignal);
    const TestImage black = MakeStarField(64, 64, 0, 0, {});
    EXPECT_EQ(Check(black, 32, 32), StarCheck::noSignal);

    for (StarCheck c : {StarCheck::outsideImage, StarCheck::nearEdge, StarCheck::noSignal, StarCheck::saturated,
                        StarCheck::blankSky})
        EXPECT_STRNE(StarCheckText(c), "");
    EXPECT_FALSE(UsedByEngine(StarCheck::nearEdge));
    EXPECT_TRUE(UsedByEngine(StarCheck::saturated));
}

// The details report the engine's brightest pixel and the sky it subtracts.
TEST(StarCheck, ReportsPeakSkyAndSignalToNoise) {
    const TestImage image = MakeStarField(80, 80, 500, 10, {{50, 30, 4000, 1.2}});
    const StarCheckResult r = CheckStar(image.pixels.data(), 80, 80, 47, 33);
    ASSERT_EQ(r.check, StarCheck::ok);
    EXPECT_EQ(r.peakColumn, 50);
    EXPECT_EQ(r.peakRow, 30);
    EXPECT_EQ(r.peak, image.At(50, 30));
    EXPECT_NEAR(r.sky, 500, 15);
    EXPECT_GT(r.noise, 3.0);
    EXPECT_LT(r.noise, 15.0);
    EXPECT_GT(r.signalToNoise, 100.0);
}

// The preview's PSF is bit for bit the PSF a run builds from the same picks,
// skipped picks and picks near the edges included.
TEST(StarCheck, PreviewEqualsTheRunsPsf) {
    TestImage image = MakeStarField(
        120, 90, 400, 30,
        {{20, 20, 9000, 1.4}, {95, 70, 5000, 1.8}, {60, 45, 65535, 2.0}, {4, 80, 7000, 1.5}, {112, 12, 3000, 1.3}});
    const std::vector<StarPick> picks = {{21, 19}, {4, 80}, {95, 71}, {-30, 5}, {60, 45}, {50, 10}, {110, 13}};
    const PsfPreview preview = PreviewPsf(image.pixels.data(), image.width, image.height, picks);

    DeconEngine engine;
    ASSERT_TRUE(engine.Init(image.width, image.height, {.threads = 2}));
    engine.SetImage(image.pixels.data());
    for (const StarPick& p : picks) engine.AddStar(p.column, p.row);
    EXPECT_EQ(preview.starsUsed, engine.StarsUsed());
    EXPECT_GE(preview.starsUsed, 4);
    ASSERT_EQ(preview.checks.size(), picks.size());
    EXPECT_EQ(preview.checks[1], StarCheck::nearEdge);
    EXPECT_EQ(preview.checks[3], StarCheck::outsideImage);
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) EXPECT_EQ(preview.psf[i][j], engine.psf[i][j]) << i << "," << j;
}

// Widths and ellipticity come from the PSF's second moments.
TEST(StarCheck, ShapeOfRoundAndElongatedPsfs) {
    auto gaussian = [](double sx, double sy, float (&p)[kPsfSize][kPsfSize]) {
        for (int i = 0; i < kPsfSize; ++i)
            for (int j = 0; j < kPsfSize; ++j)
                p[i][j] = float(std::exp(-((j - 5) * (j - 5) / (2 * sx * sx) + (i - 5) * (i - 5) / (2 * sy * sy))));
    };
    float p[kPsfSize][kPsfSize];
    double fx, fy, e;
    gaussian(1.0, 1.0, p);
    PsfShape(p, fx, fy, e);
    EXPECT_NEAR(fx, 2.3548, 0.01);
    EXPECT_NEAR(fy, 2.3548, 0.01);
    EXPECT_NEAR(e, 0.0, 1e-6);
    gaussian(1.6, 0.8, p);
    PsfShape(p, fx, fy, e);
    EXPECT_NEAR(fx, 2.3548 * 1.6, 0.1);
    EXPECT_NEAR(fy, 2.3548 * 0.8, 0.01);
    EXPECT_NEAR(e, 0.5, 0.03);
    float zero[kPsfSize][kPsfSize] = {};
    PsfShape(zero, fx, fy, e);
    EXPECT_EQ(fx, 0.0);
}

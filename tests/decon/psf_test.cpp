// PSF measurement from picked stars.

#include <gtest/gtest.h>

#include <cmath>

#include "decon/decon_engine.h"
#include "decon_test_util.h"

namespace {

using Psf = std::vector<float>;

Psf PsfOf(const DeconEngine& engine) { return Psf(&engine.psf[0][0], &engine.psf[0][0] + kPsfTerms); }

// An engine holding image's pixels, ready for AddStar.
std::unique_ptr<DeconEngine> EngineFor(TestImage& image) {
    auto engine = std::make_unique<DeconEngine>();
    EXPECT_TRUE(engine->Init(image.width, image.height, {.threads = 1}));
    engine->SetImage(image.pixels.data());
    return engine;
}

Psf PsfFromStars(TestImage& image, const std::vector<std::pair<int, int>>& stars) {
    auto engine = EngineFor(image);
    for (auto [column, row] : stars) EXPECT_EQ(engine->AddStar(column, row), StarOutcome::used);
    return PsfOf(*engine);
}

}  // namespace

// The median of three is the middle value whatever the order.
TEST(Psf, MedianOfThreeIsTheMiddleValue) {
    const int orders[6][3] = {{1, 5, 9}, {1, 9, 5}, {5, 1, 9}, {5, 9, 1}, {9, 1, 5}, {9, 5, 1}};
    for (const auto& o : orders) EXPECT_EQ(DeconEngine::MedianOfThree(o[0], o[1], o[2]), 5) << o[0] << o[1] << o[2];
    EXPECT_EQ(DeconEngine::MedianOfThree(7, 7, 2), 7);
    EXPECT_EQ(DeconEngine::MedianOfThree(-3, 4, -3), -3);
}

// A star centred on a pixel gives a PSF summing to 1, largest at the centre
// and as symmetric as the star.
TEST(Psf, CentredStarSumsToOneWithTheCentreLargest) {
    TestImage image = MakeStarField(64, 64, 100, 0, {{32, 32, 5000, 1.5}});
    auto engine = EngineFor(image);
    ASSERT_EQ(engine->AddStar(30, 34), StarOutcome::used);  // a click near the star is enough
    double sum = 0;
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) {
            sum += engine->psf[i][j];
            if (i != 5 || j != 5) {
                EXPECT_LT(engine->psf[i][j], engine->psf[5][5]) << "psf[" << i << "][" << j << "]";
            }
            EXPECT_EQ(engine->psf[i][j], engine->psf[10 - i][10 - j]) << "psf[" << i << "][" << j << "]";
            EXPECT_EQ(engine->psf[i][j], engine->psf[j][i]) << "psf[" << i << "][" << j << "]";
        }
    EXPECT_NEAR(sum, 1.0, 1e-6);
    EXPECT_EQ(engine->starCount, 2.0f);
}

// Light a quarter pixel right of the peak is moved left by one quarter-pixel
// step before the box is sampled back down.
TEST(Psf, QuarterPixelOffsetIsShiftedBackByOneSubPixelStep) {
    TestImage image = MakeStarField(64, 64, 50, 0, {});
    image.At(30, 30) = 350;  // 300 above the sky
    image.At(31, 30) = 150;  // 100 above: centroid at +0.25 pixel
    auto engine = EngineFor(image);
    ASSERT_EQ(engine->AddStar(30, 30), StarOutcome::used);
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) {
            float expected = 0.0f;
            if (i == 5 && j == 4) expected = 75.0f / 400.0f;
            if (i == 5 && j == 5) expected = 250.0f / 400.0f;
            if (i == 5 && j == 6) expected = 75.0f / 400.0f;
            EXPECT_EQ(engine->psf[i][j], expected) << "psf[" << i << "][" << j << "]";
        }
}

// Two identical stars give the PSF of either one alone.
TEST(Psf, IdenticalStarsGiveTheSingleStarPsf) {
    TestImage image = MakeStarField(96, 64, 200, 0, {{25, 30, 8000, 1.3}, {70, 30, 8000, 1.3}});
    const Psf one = PsfFromStars(image, {{25, 30}});
    const Psf two = PsfFromStars(image, {{25, 30}, {70, 30}});
    for (int k = 0; k < kPsfTerms; ++k) EXPECT_FLOAT_EQ(two[k], one[k]) << "psf term " << k;
}

// Later stars weigh less: 2/3 and 1/3 after two stars, 1/2, 1/4, 1/4 after three.
TEST(Psf, EarlierStarsWeighMore) {
    TestImage image =
        MakeStarField(140, 64, 200, 0, {{25, 30, 8000, 1.0}, {70, 30, 8000, 2.0}, {110, 30, 8000, 1.5}});
    const Psf a = PsfFromStars(image, {{25, 30}});
    const Psf b = PsfFromStars(image, {{70, 30}});
    const Psf c = PsfFromStars(image, {{110, 30}});
    const Psf ab = PsfFromStars(image, {{25, 30}, {70, 30}});
    const Psf abc = PsfFromStars(image, {{25, 30}, {70, 30}, {110, 30}});
    for (int k = 0; k < kPsfTerms; ++k) {
        EXPECT_NEAR(ab[k], a[k] * 2 / 3 + b[k] / 3, 1e-6) << "psf term " << k;
        EXPECT_NEAR(abc[k], a[k] / 2 + b[k] / 4 + c[k] / 4, 1e-6) << "psf term " << k;
    }
}

// Stars that cannot be measured are left out, with a status line saying so,
// and never read outside the image.
TEST(Psf, UnusableStarsAreSkippedAndSaySo) {
    TestImage image = MakeStarField(64, 48, 100, 0, {{3, 20, 3000, 1.2}, {18, 16, 5000, 1.2}});
    for (int column = 40; column < 64; ++column)
        for (int row = 0; row < 24; ++row) image.At(column, row) = 0;  // a dead corner
    auto engine = EngineFor(image);
    RecordingHooks hooks;
    engine->SetHooks(&hooks);

    EXPECT_EQ(engine->AddStar(5, 20), StarOutcome::nearEdge);  // peak 3 pixels from the edge
    EXPECT_EQ(engine->AddStar(-60, 10), StarOutcome::outsideImage);
    EXPECT_EQ(engine->AddStar(200, 1000), StarOutcome::outsideImage);
    EXPECT_EQ(engine->AddStar(54, 8), StarOutcome::noSignal);   // nothing above 0
    EXPECT_EQ(engine->AddStar(30, 38), StarOutcome::noSignal);  // flat sky: nothing above the bias
    ASSERT_EQ(hooks.statuses.size(), 5u);
    EXPECT_EQ(hooks.statuses[0], "PSF star at 5, 20 skipped: it is too close to the image edge.");
    EXPECT_EQ(hooks.statuses[3], "PSF star at 54, 8 skipped: no light above the background.");
    EXPECT_EQ(engine->StarsUsed(), 0);
    EXPECT_EQ(engine->starCount, 1.0f);
    for (int k = 0; k < kPsfTerms; ++k) EXPECT_EQ(PsfOf(*engine)[k], 0.0f) << "psf term " << k;

    // A click whose search window crosses the edge still finds a star inside.
    EXPECT_EQ(engine->AddStar(9, 12), StarOutcome::used);
}

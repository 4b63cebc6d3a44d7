#include "measure/quality.h"

#include <gtest/gtest.h>

#include "tests/measure/star_field.h"

namespace {

constexpr GridRect kArea{10, 10, 190, 190};

QualityReport Measure(const std::vector<uint16_t>& before, const std::vector<uint16_t>& after) {
    return MeasureQuality({before.data(), 200, 200}, {after.data(), 200, 200}, kArea);
}

// Same stars at the same total light: amplitude scales with 1 / FWHM^2.
std::vector<FieldStar> Rescaled(std::vector<FieldStar> stars, double fromFwhm, double toFwhm) {
    for (FieldStar& s : stars) s.amplitude *= (fromFwhm * fromFwhm) / (toFwhm * toFwhm);
    return stars;
}

}  // namespace

// Widths, noise and flux of synthetic stars come back as they were made.
TEST(Quality, MeasuresKnownWidthsNoiseAndFlux) {
    const std::vector<FieldStar> stars = GridStars(3000.0);
    const auto before = MakeStarField({.fwhm = 3.0, .noise = 10.0, .seed = 1}, stars);
    const auto after = MakeStarField({.fwhm = 2.0, .noise = 15.0, .seed = 2}, Rescaled(stars, 3.0, 2.0));
    const QualityReport r = Measure(before, after);
    EXPECT_EQ(r.starsFound, 16);
    EXPECT_EQ(r.starsLost, 0);
    EXPECT_NEAR(r.fwhmBefore, 3.0, 0.05);
    EXPECT_NEAR(r.fwhmAfter, 2.0, 0.05);
    EXPECT_NEAR(r.fwhmGain, 1.5, 0.05);
    EXPECT_GT(r.skyBoxes, 20);
    EXPECT_NEAR(r.skyNoiseBefore, 10.0, 0.8);
    EXPECT_NEAR(r.skyNoiseRatio, 1.5, 0.1);
    EXPECT_NEAR(r.fluxRatio, 1.0, 0.02);
    EXPECT_EQ(r.brightStars, 6);
    EXPECT_NEAR(r.darkestRingAfter, 0.0, 0.5);
}

// An image compared with itself shows no change at all.
TEST(Quality, IdenticalImagesAreNeutral) {
    const auto image = MakeStarField({}, GridStars(3000.0));
    const QualityReport r = Measure(image, image);
    EXPECT_NEAR(r.fwhmGain, 1.0, 1e-6);
    EXPECT_DOUBLE_EQ(r.skyNoiseRatio, 1.0);
    EXPECT_DOUBLE_EQ(r.fluxRatio, 1.0);
    EXPECT_DOUBLE_EQ(r.darkestRingBefore, r.darkestRingAfter);
    EXPECT_EQ(r.edgeStep, 0.0);
    EXPECT_EQ(r.changedOutside, 0);
}

// A dark ring two sigmas deep round each star, beyond its light, is reported at that depth.
TEST(Quality, DarkRingsAreMeasuredInSkySigma) {
    const auto before = MakeStarField({}, GridStars(3000.0));
    auto after = before;
    for (const FieldStar& s : GridStars(3000.0))
        for (int32_t y = 0; y < 200; ++y)
            for (int32_t x = 0; x < 200; ++x)
                if (std::lround(std::hypot(x - s.x, y - s.y)) == 6) after[size_t(y) * 200 + size_t(x)] -= 20;
    const QualityReport r = Measure(before, after);
    EXPECT_NEAR(r.darkestRingAfter - r.darkestRingBefore, -2.0, 0.3);
    EXPECT_LT(r.darkestRingAfter, -1.5);
}

// A dark seam inside the area's edge is a step; pixels changed outside are counted.
TEST(Quality, SeamsAndChangesOutsideTheAreaAreFound) {
    const auto before = MakeStarField({}, GridStars(3000.0));
    auto after = before;
    for (int32_t x = 10; x < 190; ++x) after[size_t(15) * 200 + size_t(x)] -= 10;  // 5 px inside the top
    after[5 * 200 + 5] += 1;
    after[195 * 200 + 100] += 1;
    const QualityReport r = Measure(before, after);
    EXPECT_NEAR(r.edgeStep, 1.0, 0.15);
    EXPECT_EQ(r.changedOutside, 2);
}

// Clipped stars, close pairs and faint stars are not used.
TEST(Quality, OnlyIsolatedUnsaturatedBrightStarsCount) {
    std::vector<FieldStar> stars = {{50.3, 50.6, 3000.0}, {100.0, 100.0, 3000.0}, {106.0, 103.0, 1500.0},
                                    {150.2, 60.1, 90.0}, {60.0, 150.0, 200000.0}};
    const auto image = MakeStarField({}, stars);
    const QualityReport r = Measure(image, image);
    ASSERT_EQ(r.starsFound, 1);
    EXPECT_NEAR(r.stars[0].x, 50.3, 0.05);
    EXPECT_NEAR(r.stars[0].y, 50.6, 0.05);
}

// Images of different sizes or an empty area give an empty report.
TEST(Quality, MismatchedImagesGiveNothing) {
    const auto image = MakeStarField({}, GridStars(3000.0));
    EXPECT_EQ(MeasureQuality({image.data(), 200, 200}, {image.data(), 100, 400}, kArea).starsFound, 0);
    EXPECT_EQ(MeasureQuality({image.data(), 200, 200}, {image.data(), 200, 200}, {50, 50, 50, 90}).skyBoxes, 0);
}

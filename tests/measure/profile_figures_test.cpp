#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "measure/profile_figures.h"
#include "measure_fixtures.h"

namespace {

// A circular Gaussian star of the given FWHM and height over a flat sky,
// centred between pixels so that the centroid is not a pixel centre.
void MakeGaussianStar(CImage& image, double cx, double cy, double fwhm, double height, uint16_t sky) {
    MakeFlat(image, 60, 50, sky);
    const double sigma = fwhm / 2.3548200450309493;
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            SetPixel(image, x, y, uint16_t(sky + height * std::exp(-r2 / (2 * sigma * sigma)) + 0.5));
        }
}

}  // namespace

// The width, peak and sky of a synthetic star come back as made, in pixels
// and (at 0.009 mm pixels and 20 inches) in arc-seconds.
TEST(ProfileFigures, GaussianStarMeasuredAsMade) {
    for (const double fwhm : {1.8, 2.8, 4.5}) {
        CImage image;
        MakeGaussianStar(image, 25.3, 20.6, fwhm, 5000.0, 1000);
        image.Focal_length = 20.0;
        image.X_pixel_size = image.Y_pixel_size = 0.009;
        const ProfileResult profile = MeasureProfile(image, 19, 15, 15);
        const ProfileFigures figures = MeasureProfileFigures(profile);
        ASSERT_TRUE(figures.star) << fwhm;
        EXPECT_NEAR(figures.fwhmPixels, fwhm, 0.04 * fwhm);
        EXPECT_NEAR(figures.fwhmArcsec, fwhm * 3.6536, 0.04 * fwhm * 3.6536);
        EXPECT_NEAR(figures.background, 1000.0, 1.0);
        EXPECT_EQ(figures.peak, profile.request.peakValue);
    }
}

// Noise and a sky gradient do not pull the width far off.
TEST(ProfileFigures, WidthSurvivesNoiseAndGradient) {
    CImage image;
    MakeGaussianStar(image, 30.5, 25.5, 3.0, 3000.0, 800);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            const int wobble = int((x * 7919 + y * 104729) % 41) - 20;  // fixed pseudo-noise, +-20
            SetPixel(image, x, y, uint16_t(image.At(x, y) + 2 * x + wobble + 40));
        }
    const ProfileFigures figures = MeasureProfileFigures(MeasureProfile(image, 25, 20, 15));
    ASSERT_TRUE(figures.star);
    EXPECT_NEAR(figures.fwhmPixels, 3.0, 0.3);
    EXPECT_NEAR(figures.background, 800 + 40 + 2 * 30.5, 15.0);
}

// No scale: arc-seconds are left out. A flat box holds no star; no samples, no text.
TEST(ProfileFigures, NoScaleNoStarNoSamples) {
    CImage image;
    MakeGaussianStar(image, 25.0, 20.0, 2.5, 4000.0, 500);
    image.Focal_length = 0.0;
    const ProfileFigures unscaled = MeasureProfileFigures(MeasureProfile(image, 20, 15, 11));
    ASSERT_TRUE(unscaled.star);
    EXPECT_EQ(unscaled.fwhmArcsec, 0.0);
    EXPECT_EQ(ProfileFiguresText(unscaled).find("\u2033"), std::string::npos);
    EXPECT_EQ(ProfileFiguresText(unscaled).rfind("FWHM 2.", 0), 0u) << ProfileFiguresText(unscaled);

    MakeFlat(image, 30, 30, 700);
    const ProfileFigures flat = MeasureProfileFigures(MeasureProfile(image, 5, 5, 11));
    EXPECT_FALSE(flat.star);
    EXPECT_EQ(ProfileFiguresText(flat), "FWHM -\nPeak 700\nBackground 700");
    EXPECT_EQ(ProfileFiguresText(ProfileFigures{}, false), "");
}

// The sky comes from a ring beyond the box, where a bright star's wings have
// faded; an image too small for the ring takes the box's edge instead.
TEST(ProfileFigures, SkyBeyondTheWings) {
    CImage image;
    MakeGaussianStar(image, 30.0, 25.0, 4.0, 20000.0, 1000);
    const ProfileResult wide = MeasureProfile(image, 25, 20, 9);
    EXPECT_NEAR(MeasureProfileFigures(wide).background, 1000.0, 1.0);
    // The 9-pixel box's edge lies in the wings, well above the sky.
    ProfileResult edgeOnly = wide;
    edgeOnly.sky = std::numeric_limits<double>::quiet_NaN();
    EXPECT_GT(MeasureProfileFigures(edgeOnly).background, 1100.0);

    MakeFlat(image, 9, 9, 300);
    SetPixel(image, 4, 4, 900);
    const ProfileFigures small = MeasureProfileFigures(MeasureProfile(image, 0, 0, 9));
    EXPECT_EQ(small.background, 300.0);
    EXPECT_EQ(small.peak, 900);
}

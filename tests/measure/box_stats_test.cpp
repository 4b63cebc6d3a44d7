#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "measure/box_stats.h"
#include "measure_fixtures.h"

// A flat area gives its value as mean and zero noise.
TEST(BoxStats, FlatArea) {
    CImage image;
    MakeFlat(image, 20, 20, 1000);
    EXPECT_EQ(BoxSum(image, 10, 10, 5), 25000u);
    EXPECT_DOUBLE_EQ(BoxNoise(image, 10, 10, 5), 0.0);
}

// Near an edge the clamped box counts edge pixels several times.
TEST(BoxStats, EdgePixelsCountRepeatedly) {
    CImage image;
    MakeFlat(image, 4, 4, 0);
    SetPixel(image, 0, 0, 10);
    // 3 x 3 box at (0, 0): rows -1..1 and columns -1..1 clamp to 0,0,1.
    EXPECT_EQ(BoxSum(image, 0, 0, 3), 40u);
    // Far outside, every index clamps onto the corner pixel.
    EXPECT_EQ(BoxSum(image, -1000, -1000, 3), 90u);
    EXPECT_EQ(BoxSum(image, INT32_MIN, INT32_MIN, 31), 9610u);
    EXPECT_EQ(BoxSum(image, INT32_MAX, INT32_MAX, 31), 0u);
}

// Noise is the population standard deviation of the box.
TEST(BoxStats, NoiseIsPopulationDeviation) {
    CImage image;
    MakeFlat(image, 3, 3, 0);
    for (int i = 0; i < 9; ++i) image.pixels[size_t(i)] = uint16_t(i % 2 ? 20 : 10);
    // Five 10s and four 20s: mean 130 / 9, variance 2000 / 81.
    EXPECT_NEAR(BoxNoise(image, 1, 1, 3), std::sqrt(2000.0 / 81.0), 1e-12);
}

// The peak is the first strictly brightest pixel; a dark box returns the position asked.
TEST(BoxStats, PeakPosition) {
    CImage image;
    MakeFlat(image, 10, 10, 0);
    EXPECT_EQ(BoxPeak(image, 5, 5, 5), (PixelPoint{5, 5}));
    EXPECT_EQ(BoxPeak(image, -50, 99, 5), (PixelPoint{-50, 99}));
    SetPixel(image, 6, 4, 300);
    SetPixel(image, 4, 6, 300);
    EXPECT_EQ(BoxPeak(image, 5, 5, 5), (PixelPoint{6, 4})) << "rows outer, first of equals";
    SetPixel(image, 9, 9, 7);
    EXPECT_EQ(BoxPeak(image, 20, 20, 3), (PixelPoint{9, 9})) << "clamped position of the pixel";
}

// Images without pixels or with mismatched sizes measure as zero instead of reading.
TEST(BoxStats, ImageWithoutPixels) {
    CImage image;
    image.Width = 10;
    image.Height = 10;
    EXPECT_FALSE(HasMeasurablePixels(image));
    EXPECT_EQ(BoxSum(image, 5, 5, 5), 0u);
    EXPECT_EQ(BoxNoise(image, 5, 5, 5), 0.0);
    EXPECT_EQ(BoxPeak(image, 5, 5, 5), (PixelPoint{5, 5}));
}

#include <gtest/gtest.h>

#include <vector>

#include "app/display/auto_levels.h"
#include "app/display/contrast_drag.h"
#include "app/display/histogram.h"
#include "image/image.h"

namespace {

CHistogram HistogramOf(const std::vector<uint16_t>& pixels) {
    CHistogram h;
    h.Compute(pixels.data(), pixels.size());
    return h;
}

}  // namespace

// The points are the lowest value of the bin where 20 % and 99 % of the pixels are passed.
TEST(Histogram, PointsOfSpreadPixels) {
    std::vector<uint16_t> pixels;
    for (int k = 1; k <= 10; ++k) pixels.push_back(uint16_t(16 * k + 7));
    const CHistogram h = HistogramOf(pixels);
    EXPECT_TRUE(h.IsValid());
    EXPECT_EQ(h.Point20(), 48);   // t20 = 2: passed in bin 3
    EXPECT_EQ(h.Point99(), 160);  // t99 = 9: passed in bin 10
}

// A point passed in bin 0 is taken at bin 1, unless the walk also ends in bin 0.
TEST(Histogram, BinZeroQuirk) {
    std::vector<uint16_t> pixels = {0, 3, 15, 160, 160, 160, 160, 160, 160, 160};
    CHistogram h = HistogramOf(pixels);
    EXPECT_EQ(h.Point20(), 16);
    EXPECT_EQ(h.Point99(), 160);

    h = HistogramOf(std::vector<uint16_t>(10, 5));
    EXPECT_EQ(h.Point20(), 0);
    EXPECT_EQ(h.Point99(), 0);
}

// Bins count exactly far beyond 15 bits, in every bin at once.
TEST(Histogram, ExactCountsBeyondFifteenBits) {
    std::vector<uint16_t> pixels;
    for (int v = 0; v < 65536; v += 16)
        for (int k = 0; k < 40; ++k) pixels.push_back(uint16_t(v + k % 16));
    pixels.insert(pixels.end(), 70001, 4000);
    const CHistogram h = HistogramOf(pixels);
    for (int b = 0; b < kHistogramBins; ++b)
        ASSERT_EQ(h.Bin(b), b == 250 ? 70041u : 40u) << "bin " << b;
    EXPECT_EQ(h.Total(), pixels.size());
}

// Auto levels: range is 110 % of p99 - p20 and back a tenth of it below p20.
TEST(AutoLevels, WrittenExamples) {
    EXPECT_EQ(AutoLevels(1000, 3000, 6, kMinimumRange), (BackRange{780, 2200}));
    // Equal points give the camera's floor.
    EXPECT_EQ(AutoLevels(1000, 1000, 6, kMinimumRange), (BackRange{994, 64}));
    EXPECT_EQ(AutoLevels(1000, 1000, 4, kMinimumRange), (BackRange{975, 256}));
    EXPECT_EQ(AutoLevels(1000, 1000, 8, kMinimumRange), (BackRange{975, 256}));
    // A larger minimum range wins over the floor.
    EXPECT_EQ(AutoLevels(1000, 1000, 6, 500).range, 500);
    // Near the top, back is placed a full range below the largest value.
    EXPECT_EQ(AutoLevels(65520, 65520, 6, kMinimumRange), (BackRange{65535 - 64, 64}));
    EXPECT_EQ(AutoLevels(0, 65520, 6, kMinimumRange), (BackRange{-6553, 65536}));
}

// AutoBackRange computes a missing histogram, sets back and range only, and
// reuses a valid histogram until it is invalidated.
TEST(AutoLevels, UpdatesImageSettingsFromHistogram) {
    CImage image;
    image.Width = 10;
    image.Height = 1;
    for (int k = 1; k <= 10; ++k) image.pixels.push_back(uint16_t(1000 * k));
    image.display.invert = 1;
    image.display.zoom = 3;
    CHistogram histogram;
    AutoBackRange(image, histogram, kMinimumRange);
    // p20 = 2992 (bin 187), p99 = 10000 (bin 625): range 7708, back 2992 - 770.
    EXPECT_EQ(image.display.range, 7708);
    EXPECT_EQ(image.display.back, 2222);
    EXPECT_EQ(image.display.invert, 1);
    EXPECT_EQ(image.display.zoom, 3);

    std::fill(image.pixels.begin(), image.pixels.end(), 50000);
    AutoBackRange(image, histogram, kMinimumRange);
    EXPECT_EQ(image.display.back, 2222) << "a valid histogram must be reused";
    histogram.Invalidate();
    AutoBackRange(image, histogram, kMinimumRange);
    EXPECT_EQ(image.display.range, 256);
    EXPECT_EQ(image.display.back, 50000 - 25);
}

// Drag window: width from dx (half speed leftward), start from dy, both kept on the palette.
TEST(ContrastDrag, WindowExamples) {
    EXPECT_EQ(ContrastDrag(0, 0), (DragWindow{32, 96}));
    EXPECT_EQ(ContrastDrag(-200, 0), (DragWindow{32, 64}));
    EXPECT_EQ(ContrastDrag(100, 0), (DragWindow{32, 160}));
    EXPECT_EQ(ContrastDrag(-20, 0), (DragWindow{32, 86}));
    EXPECT_EQ(ContrastDrag(0, -300), (DragWindow{191 - 64, 191}));
    EXPECT_EQ(ContrastDrag(100, -300), (DragWindow{191 - 128, 191}));
    EXPECT_EQ(ContrastDrag(0, 100), (DragWindow{0, 64}));
    EXPECT_EQ(ContrastDrag(INT32_MIN, INT32_MIN), (DragWindow{191 - 32, 191}));
    EXPECT_EQ(ContrastDrag(INT32_MAX, INT32_MAX), (DragWindow{0, 128}));
}

// Drop folds the window into back and range, clears auto and keeps the rest.
TEST(ContrastDrop, FoldsWindowIntoSettings) {
    DisplaySettings s{100, 1000, 1, 1, 1, 4};
    DisplaySettings out = ContrastDrop(s, ContrastDrag(0, 0));
    EXPECT_EQ(out, (DisplaySettings{100, 1000, 1, 0, 1, 4}));

    s.back = -5;
    EXPECT_EQ(ContrastDrop(s, {32, 96}).back, -4) << "negative back truncates toward zero";

    s = DisplaySettings{1000, 1000, 0, 0, 0, 2};
    out = ContrastDrop(s, {0, 64});
    EXPECT_EQ(out.back, 500);
    EXPECT_EQ(out.range, 1000);
    out = ContrastDrop(s, {32, 160});
    EXPECT_EQ(out.range, 2000);
}

// Drop results are clamped to the editors' limits, even for extreme stored values.
TEST(ContrastDrop, ClampsToLimits) {
    EXPECT_EQ(ContrastDrop({0, 65536, 0, 0, 0, 2}, {32, 160}).range, 65536);
    EXPECT_EQ(ContrastDrop({0, 16, 0, 0, 0, 2}, {32, 64}).range, 16);
    EXPECT_EQ(ContrastDrop({65000, 60000, 0, 0, 0, 2}, {127, 191}).back, 65535);
    EXPECT_EQ(ContrastDrop({-65000, 60000, 0, 0, 0, 2}, {0, 64}).back, -65535);
    const DisplaySettings wild = ContrastDrop({INT32_MAX, INT32_MIN, 0, 0, 0, 2}, {0, 128});
    EXPECT_EQ(wild.range, 16);
    EXPECT_EQ(wild.back, 65535);
}

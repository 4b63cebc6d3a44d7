#include <gtest/gtest.h>

#include <climits>

#include "app/display/colour_table.h"
#include "app/display/display_index.h"
#include "app/display/smoothing.h"

// back 100 / range 1000 puts back on 32, back + range on 96, and saturates from 2600.
TEST(DisplayIndex, DefaultSettingsExamples) {
    EXPECT_EQ(DisplayIndex(0, 100, 1000), 25);
    EXPECT_EQ(DisplayIndex(100, 100, 1000), 32);
    EXPECT_EQ(DisplayIndex(1100, 100, 1000), 96);
    EXPECT_EQ(DisplayIndex(2599, 100, 1000), 191);
    for (int32_t v : {2600, 10000, 65535}) EXPECT_EQ(DisplayIndex(v, 100, 1000), 191) << "value " << v;
}

// The lookup table holds exactly the per-value mapping, for ordinary and hostile settings.
TEST(DisplayIndex, TableMatchesMappingForEveryValue) {
    const int32_t settings[][2] = {{100, 1000}, {-65535, 16}, {65535, 65536}, {0, 0},
                                   {500, -300}, {INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}};
    DisplayIndexTable table;
    for (const auto& s : settings) {
        table.Build(s[0], s[1]);
        for (int32_t v = 0; v < kPixelValueCount; ++v)
            ASSERT_EQ(table[uint16_t(v)], DisplayIndex(v, s[0], s[1]))
                << "value " << v << " back " << s[0] << " range " << s[1];
    }
}

// Range 0 (possible in a file) sends everything above back to 191 without dividing.
TEST(DisplayIndex, ZeroRangeIsAStep) {
    EXPECT_EQ(DisplayIndex(500, 500, 0), 0);
    EXPECT_EQ(DisplayIndex(501, 500, 0), 191);
    EXPECT_EQ(DisplayIndex(0, 500, 0), 0);
}

// Extreme settings from a file neither overflow nor leave 0..191.
TEST(DisplayIndex, ExtremeSettingsStayExact) {
    // lo = -3221225471, span = 6442450941: value 0 sits just past half the span.
    EXPECT_EQ(DisplayIndex(0, INT32_MIN, INT32_MAX), 96);
    EXPECT_EQ(DisplayIndex(65535, INT32_MAX, INT32_MAX), 0);
    EXPECT_EQ(DisplayIndex(0, INT32_MIN, -5), 191);
}

// Default window: 0..32 black, 96..255 white, 64 mid grey; invert swaps black and white.
TEST(ColourTable, DefaultAndInvertedWindow) {
    ColourTable table;
    SetColourTable(table, kDefaultWindowLo, kDefaultWindowHi, false);
    for (int i = 0; i <= 32; ++i) EXPECT_EQ(table[i].green, 0) << "entry " << i;
    for (int i = 96; i < 256; ++i) EXPECT_EQ(table[i].green, 255) << "entry " << i;
    EXPECT_EQ(table[64], (RgbQuad{128, 128, 128, 0}));
    EXPECT_EQ(table[33].green, 4);

    SetColourTable(table, kDefaultWindowLo, kDefaultWindowHi, true);
    for (int i = 0; i <= 32; ++i) EXPECT_EQ(table[i].red, 255) << "entry " << i;
    for (int i = 96; i < 256; ++i) EXPECT_EQ(table[i].blue, 0) << "entry " << i;
    EXPECT_EQ(table[64].green, 127);
}

// Palette greys top out at 255 over the window, are never inverted, and a
// degenerate window is a step with no division.
TEST(ColourTable, PaletteEntries) {
    const PaletteGreys greys = PaletteEntries(32, 96);
    EXPECT_EQ(greys[32], 0);
    EXPECT_EQ(greys[64], 127);
    EXPECT_EQ(greys[95], 251);
    EXPECT_EQ(greys[191], 255);

    const PaletteGreys step = PaletteEntries(50, 50);
    EXPECT_EQ(step[50], 0);
    EXPECT_EQ(step[51], 255);
    const PaletteGreys reversed = PaletteEntries(100, 20);
    EXPECT_EQ(reversed[100], 0);
    EXPECT_EQ(reversed[101], 255);
}

namespace {

// Straightforward 3 x 3 weighted mean with nearest-inside neighbours.
uint16_t ReferenceSmooth(const std::vector<uint16_t>& p, int w, int h, int x, int y) {
    static const int weight[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    uint32_t sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = std::clamp(x + dx, 0, w - 1), cy = std::clamp(y + dy, 0, h - 1);
            sum += weight[dy + 1][dx + 1] * p[size_t(cy * w + cx)];
        }
    return uint16_t(sum / 16);
}

void ExpectSmoothMatchesReference(int w, int h) {
    std::vector<uint16_t> pixels(size_t(w * h));
    uint32_t seed = 12345;
    for (auto& v : pixels) v = uint16_t((seed = seed * 1103515245u + 12345u) >> 16);
    std::vector<uint16_t> row(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        SmoothRow(pixels.data(), w, h, y, row.data());
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(row[size_t(x)], ReferenceSmooth(pixels, w, h, x, y))
                << "pixel (" << x << ", " << y << ") of " << w << " x " << h;
    }
}

}  // namespace

// Smoothing uses the edge row or column for missing neighbours, including one-row,
// one-column and single-pixel images (ASan checks nothing outside is read).
TEST(Smoothing, MatchesClampedThreeByThreeMean) {
    ExpectSmoothMatchesReference(7, 5);
    ExpectSmoothMatchesReference(9, 1);
    ExpectSmoothMatchesReference(1, 6);
    ExpectSmoothMatchesReference(1, 1);
    ExpectSmoothMatchesReference(2, 2);
}

// A flat image stays flat and the brightest value cannot overflow.
TEST(Smoothing, FlatSaturatedImageStaysSaturated) {
    std::vector<uint16_t> pixels(12, 65535), row(4);
    SmoothRow(pixels.data(), 4, 3, 1, row.data());
    for (int x = 0; x < 4; ++x) EXPECT_EQ(row[size_t(x)], 65535) << "column " << x;
}

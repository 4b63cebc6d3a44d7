#include <gtest/gtest.h>

#include <climits>

#include "measure/crosshair.h"
#include "measure_fixtures.h"
#include "measure/star_width.h"

namespace {

// Background 100 with a peak of 1100 at (15, 15) and a given profile to the right.
void MakeStar(CImage& image, std::initializer_list<uint16_t> rightOfPeak) {
    MakeFlat(image, 40, 40, 100);
    SetPixel(image, 15, 15, 1100);
    int x = 16;
    for (uint16_t v : rightOfPeak) SetPixel(image, x++, 15, v);
}

}  // namespace

// The top-left pixel shows as 1, 1; a flat area reads mean, zero noise, no seeing.
TEST(Crosshair, FlatAreaAtTopLeft) {
    CImage image;
    MakeFlat(image, 30, 20, 1000);
    const CrosshairTexts texts = FormatCrosshair(MeasureAtCursor(image, 0, 0, 5));
    EXPECT_EQ(texts.position, "1, 1");
    EXPECT_EQ(texts.value, "1000 ");
    EXPECT_EQ(texts.average, "1000");
    EXPECT_EQ(texts.noise, "0.0");
    EXPECT_EQ(texts.seeing, "0.0,0.0");
}

// The shown position is clamped into the image; measuring far outside reads only edge pixels.
TEST(Crosshair, PositionClampedToImage) {
    CImage image;
    MakeFlat(image, 30, 20, 7);
    SetPixel(image, 29, 19, 9);
    EXPECT_EQ(ClampToImage(image, -3, 0), (PixelPoint{0, 0}));
    EXPECT_EQ(ClampToImage(image, 29, 25), (PixelPoint{29, 19}));
    const CrosshairReadout far = MeasureAtCursor(image, INT32_MAX, INT32_MAX, 31);
    EXPECT_EQ(far.position, (PixelPoint{29, 19}));
    EXPECT_EQ(far.value, 9);
    EXPECT_EQ(far.average, 9);
    CImage dot;
    MakeFlat(dot, 1, 1, 3);
    const CrosshairReadout tiny = MeasureAtCursor(dot, INT32_MIN, 5, 31);
    EXPECT_EQ(tiny.average, 3);
}

// Half maximum between the first and second pixel right of the peak: the right
// walk adds 1 plus the linear fraction.
TEST(StarWidth, InterpolatesHalfMaximum) {
    // Border mean 100, half = (100 + 1100 + 1) / 2 = 600.
    CImage image;
    MakeStar(image, {800, 400});
    const StarWidths w = StarWidth(image, 15, 15, 9);
    // Right: 1 + (800 - 600) / (800 - 400) = 1.5; left, down, up drop at once:
    // 0 + (1100 - 600) / (1100 - 100) = 0.5 each.
    EXPECT_DOUBLE_EQ(w.x, 2.0);
    EXPECT_DOUBLE_EQ(w.y, 1.0);
}

// Brighter than half maximum out to the border: every walk adds h; the vertical width caps at 9.9.
TEST(StarWidth, WideStarUsesWholeBox) {
    CImage image;
    MakeFlat(image, 80, 80, 0);
    for (int d = -15; d <= 15; ++d) {
        SetPixel(image, 30 + d, 30, 1000);
        SetPixel(image, 30, 30 + d, 1000);
    }
    const StarWidths w = StarWidth(image, 30, 30, 31);
    EXPECT_DOUBLE_EQ(w.x, 30.0);
    EXPECT_DOUBLE_EQ(w.y, 9.9);
    const StarWidths small = StarWidth(image, 30, 30, 5);
    EXPECT_DOUBLE_EQ(small.x, 4.0);
    EXPECT_DOUBLE_EQ(small.y, 4.0);
}

// Peaks within N of the right or bottom edge are not measured; near the
// left and top edges they are (edge pixels stand in for the missing ones).
TEST(StarWidth, EdgeRules) {
    CImage image;
    MakeFlat(image, 20, 20, 100);
    SetPixel(image, 15, 5, 1100);
    SetPixel(image, 5, 15, 1100);
    SetPixel(image, 0, 0, 1100);
    EXPECT_EQ(StarWidth(image, 15, 5, 5).x, 0.0) << "within N of the right edge";
    EXPECT_EQ(StarWidth(image, 5, 15, 5).y, 0.0) << "within N of the bottom edge";
    const StarWidths corner = StarWidth(image, 0, 0, 5);
    EXPECT_GT(corner.x, 0.0);
    EXPECT_GT(corner.y, 0.0);
    for (int32_t p : {INT32_MIN, -1, 19, 20, INT32_MAX}) {
        EXPECT_EQ(StarWidth(image, p, p, 5).x, 0.0) << "position " << p;
        EXPECT_EQ(StarWidth(image, 3, 3, p).x, 0.0) << "box " << p;
    }
}

// Arc-seconds per pixel from millimetres and inches; no focal length means no scale.
TEST(Seeing, ScaleAndCap) {
    EXPECT_NEAR(ArcsecPerPixel(0.009, 20.0), 3.6546, 1e-3);
    EXPECT_EQ(ArcsecPerPixel(0.009, 0.0), 0.0);
    EXPECT_EQ(ArcsecPerPixel(0.0, 20.0), 0.0);
    EXPECT_EQ(ArcsecPerPixel(0.009, -20.0), 0.0);
    EXPECT_DOUBLE_EQ(SeeingFromWidth(2.0, 3.0), 6.0);
    EXPECT_DOUBLE_EQ(SeeingFromWidth(40.0, 3.0), 99.9);
}

// Seeing in the readout is width times scale, and 0.0 when the image has no focal length.
TEST(Crosshair, SeeingFromStar) {
    CImage image;
    MakeStar(image, {800, 400});
    image.Focal_length = 20.0;
    image.X_pixel_size = image.Y_pixel_size = 0.009;
    const CrosshairReadout r = MeasureAtCursor(image, 14, 14, 9);
    EXPECT_NEAR(r.seeingX, 2.0 * ArcsecPerPixel(0.009, 20.0), 1e-9);
    EXPECT_NEAR(r.seeingY, 1.0 * ArcsecPerPixel(0.009, 20.0), 1e-9);
    EXPECT_EQ(FormatCrosshair(r).seeing, "7.3,3.7");

    image.Focal_length = 0.0;
    EXPECT_EQ(FormatCrosshair(MeasureAtCursor(image, 14, 14, 9)).seeing, "0.0,0.0");
}

// The box-size list maps index i to 2i + 3.
TEST(Crosshair, BoxSizeChoices) {
    EXPECT_EQ(BoxSizeFromChoice(0), 3);
    EXPECT_EQ(BoxSizeFromChoice(14), 31);
    EXPECT_EQ(BoxSizeFromChoice(99), 11);
    EXPECT_STREQ(BoxSizeLabels[4], "11x11");
}

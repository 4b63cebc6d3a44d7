#include <gtest/gtest.h>

#include "app/display/display_bitmap.h"
#include "app/display/display_index.h"
#include "app/display/display_render.h"
#include "app/display/histogram.h"
#include "app/display/zoom.h"
#include "image/image.h"

namespace {

void MakeRamp(CImage& image, int32_t width, int32_t height) {
    image.Width = width;
    image.Height = height;
    image.pixels.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint16_t(i * 37 % 3000);
}

}  // namespace

// Zoomed sizes truncate; window points convert back by the inverse factor.
TEST(Zoom, SizesAndConversions) {
    EXPECT_EQ(ZoomedSize(765, 510, 0), (DisplaySize{191, 127}));
    EXPECT_EQ(ZoomedSize(765, 510, 1), (DisplaySize{382, 255}));
    EXPECT_EQ(ZoomedSize(765, 510, 2), (DisplaySize{765, 510}));
    EXPECT_EQ(ZoomedSize(765, 510, 3), (DisplaySize{1530, 1020}));
    EXPECT_EQ(ZoomedSize(765, 510, 4), (DisplaySize{3060, 2040}));
    EXPECT_EQ(ZoomedSize(765, 510, 9), (DisplaySize{765, 510})) << "unknown step shows 1:1";

    EXPECT_EQ(WindowToImage(1, 0), 4);
    EXPECT_EQ(WindowToImage(7, 3), 3);
    EXPECT_EQ(WindowToImage(7, 4), 1);
    EXPECT_EQ(WindowToImage(-3, 3), -1) << "truncates toward zero";
    EXPECT_EQ(ImageToWindow(10, 0), 2);
    EXPECT_EQ(ImageToWindow(10, 4), 40);
    EXPECT_STREQ(ZoomLabel(0), "1:4");
    EXPECT_STREQ(ZoomLabel(4), "4:1");
}

// The cursor point drops the 2-pixel frame inset and adds the scroll before zooming.
TEST(Zoom, CursorToImage) {
    const CursorPoint p = CursorToImage(3, 10, 100, 0, 0);
    EXPECT_EQ(p.x, 404);
    EXPECT_EQ(p.y, 32);
    const CursorPoint corner = CursorToImage(2, 2, 0, 0, 2);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
}

// The bitmap header describes a top-down 8-bit image and rows are padded to 4 bytes.
TEST(DisplayBitmap, HeaderAndStride) {
    DisplayBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(5, 3));
    const BitmapInfoHeader& h = bitmap.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, -3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 2322);
    EXPECT_EQ(h.biYPelsPerMeter, 2322);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(bitmap.Stride(), 8);
    EXPECT_EQ(bitmap.colours[64].green, 128) << "created with the default window";
    EXPECT_EQ(bitmap.colours[0].green, 0) << "created without inversion";
    ASSERT_TRUE(bitmap.Create(8, 1));
    EXPECT_EQ(bitmap.Stride(), 8);
    EXPECT_FALSE(bitmap.Create(0, 4));
    EXPECT_FALSE(bitmap.IsCreated());
}

// Every pixel lands on its display index; padding bytes stay zero.
TEST(DisplayBitmap, BuildMapsEveryPixel) {
    CImage image;
    MakeRamp(image, 7, 4);
    image.display.back = 500;
    image.display.range = 800;
    CHistogram histogram;
    DisplayBitmap bitmap;
    EXPECT_FALSE(BuildDisplayBitmap(image, histogram, bitmap)) << "no automatic levels asked";
    ASSERT_EQ(bitmap.Width(), 7);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(bitmap.Row(y)[x], DisplayIndex(image.At(x, y), 500, 800)) << "pixel (" << x << ", " << y << ")";
        EXPECT_EQ(bitmap.Row(y)[7], 0) << "padding of row " << y;
    }
}

// With autoContrast set the levels come from the histogram before mapping.
TEST(DisplayBitmap, BuildRunsAutomaticLevels) {
    CImage image;
    MakeRamp(image, 40, 30);
    image.display.autoContrast = 1;
    CHistogram histogram;
    DisplayBitmap bitmap;
    EXPECT_TRUE(BuildDisplayBitmap(image, histogram, bitmap));
    EXPECT_TRUE(histogram.IsValid());
    EXPECT_NE(image.display.range, 1000);
    EXPECT_EQ(bitmap.Row(29)[39], DisplayIndex(image.At(39, 29), image.display.back, image.display.range));
}

// Smoothed display rows come from the smoothed values; the image is untouched.
TEST(DisplayBitmap, SmoothLeavesPixelsAlone) {
    CImage image;
    MakeRamp(image, 1, 5);
    image.pixels = {0, 0, 1600, 0, 0};
    image.display = DisplaySettings{0, 1000, 1, 0, 0, 2};
    CHistogram histogram;
    DisplayBitmap bitmap;
    BuildDisplayBitmap(image, histogram, bitmap);
    // Column of one: row 2 is (0 * 4 + 1600 * 8 + 0 * 4) / 16 = 800.
    EXPECT_EQ(bitmap.Row(2)[0], DisplayIndex(800, 0, 1000));
    EXPECT_EQ(bitmap.Row(1)[0], DisplayIndex(400, 0, 1000));
    EXPECT_EQ(image.pixels[2], 1600);
}

// An image whose pixels do not match its size gets no bitmap instead of a wild read.
TEST(DisplayBitmap, InconsistentImageGivesNoBitmap) {
    CImage image;
    MakeRamp(image, 4, 4);
    image.Height = 5;
    CHistogram histogram;
    DisplayBitmap bitmap;
    EXPECT_FALSE(BuildDisplayBitmap(image, histogram, bitmap));
    EXPECT_FALSE(bitmap.IsCreated());
}

// Rendering picks the nearest source pixel and passes it through the colour table.
TEST(DisplayRender, ZoomedGreyImage) {
    CImage image;
    MakeRamp(image, 8, 4);
    image.pixels.assign(32, 0);
    image.pixels[1] = 5000;  // column 1 of row 0 is white
    image.display.back = 0;
    image.display.range = 100;
    CHistogram histogram;
    DisplayBitmap bitmap;
    BuildDisplayBitmap(image, histogram, bitmap);

    GreyImage big = RenderGrey(bitmap, 3);
    ASSERT_EQ(big.width, 16);
    ASSERT_EQ(big.height, 8);
    EXPECT_EQ(big.pixels[2], 255);
    EXPECT_EQ(big.pixels[3], 255);
    EXPECT_EQ(big.pixels[16 + 3], 255);
    EXPECT_EQ(big.pixels[4], 0);

    SetColourTable(bitmap, kDefaultWindowLo, kDefaultWindowHi, true);
    GreyImage small = RenderGrey(bitmap, 0);
    EXPECT_EQ(small.width, 2);
    EXPECT_EQ(small.height, 1);
    EXPECT_EQ(small.pixels[0], 255) << "inverted black";

    CImage tiny;
    MakeRamp(tiny, 3, 2);
    BuildDisplayBitmap(tiny, histogram, bitmap);
    const GreyImage dot = RenderGrey(bitmap, 0);
    EXPECT_EQ(dot.width, 1);
    EXPECT_EQ(dot.height, 1);
}

#pragma once
// Statistics of an N x N box around a pixel, for the crosshair readouts and
// the stellar profile. The box's rows run from y - N/2 to y - N/2 + N - 1
// (columns likewise); every row and column index is clamped to the image,
// so near an edge the edge pixels count several times. Any position, inside
// the image or not, reads only pixels of the image. An image without pixels
// gives zeros.

#include <cstdint>

class CImage;

// Box sides from the crosshair list: 3, 5, ... 31. Sides outside 1..255 are
// clamped into it, which keeps BoxSum inside 32 bits.
inline constexpr int32_t kSmallestBox = 1;
inline constexpr int32_t kLargestBox = 255;

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// True when the image holds Width x Height pixels with both sides positive.
bool HasMeasurablePixels(const CImage& image);

// The clamped pixel at any position.
uint16_t ClampedPixel(const CImage& image, int32_t x, int32_t y);

uint32_t BoxSum(const CImage& image, int32_t x, int32_t y, int32_t n);
// Population standard deviation of the box.
double BoxNoise(const CImage& image, int32_t x, int32_t y, int32_t n);
// Position of the first strictly brightest pixel (rows outer); (x, y) itself
// when no pixel of the box is above 0.
PixelPoint BoxPeak(const CImage& image, int32_t x, int32_t y, int32_t n);

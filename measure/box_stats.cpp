#include "measure/box_stats.h"

#include <algorithm>
#include <cmath>

#include "image/image.h"

namespace {

int32_t ClampBoxSide(int32_t n) { return std::clamp(n, kSmallestBox, kLargestBox); }

int32_t ClampIndex(int64_t index, int32_t size) {
    return int32_t(std::clamp<int64_t>(index, 0, int64_t(size) - 1));
}

// Calls visit(column, row) for every pixel of the clamped box, rows outer.
template <typename Visit>
void ForEachBoxPixel(const CImage& image, int32_t x, int32_t y, int32_t n, Visit visit) {
    const int32_t side = ClampBoxSide(n);
    const int64_t top = int64_t(y) - side / 2;
    const int64_t left = int64_t(x) - side / 2;
    for (int32_t i = 0; i < side; ++i) {
        const int32_t row = ClampIndex(top + i, image.Height);
        for (int32_t j = 0; j < side; ++j) visit(ClampIndex(left + j, image.Width), row);
    }
}

}  // namespace

bool HasMeasurablePixels(const CImage& image) {
    return image.Width > 0 && image.Height > 0 &&
           image.pixels.size() == size_t(image.Width) * size_t(image.Height);
}

uint16_t ClampedPixel(const CImage& image, int32_t x, int32_t y) {
    return image.At(ClampIndex(x, image.Width), ClampIndex(y, image.Height));
}

uint32_t BoxSum(const CImage& image, int32_t x, int32_t y, int32_t n) {
    if (!HasMeasurablePixels(image)) return 0;
    uint32_t sum = 0;
    ForEachBoxPixel(image, x, y, n, [&](int32_t c, int32_t r) { sum += image.At(c, r); });
    return sum;
}

double BoxNoise(const CImage& image, int32_t x, int32_t y, int32_t n) {
    if (!HasMeasurablePixels(image)) return 0.0;
    const int32_t side = ClampBoxSide(n);
    const double count = double(side) * side;
    const double mean = BoxSum(image, x, y, side) / count;
    double squares = 0.0;
    ForEachBoxPixel(image, x, y, side, [&](int32_t c, int32_t r) {
        const double d = image.At(c, r) - mean;
        squares += d * d;
    });
    return std::sqrt(squares / count);
}

PixelPoint BoxPeak(const CImage& image, int32_t x, int32_t y, int32_t n) {
    PixelPoint peak{x, y};
    if (!HasMeasurablePixels(image)) return peak;
    uint16_t highest = 0;
    ForEachBoxPixel(image, x, y, n, [&](int32_t c, int32_t r) {
        if (image.At(c, r) > highest) {
            highest = image.At(c, r);
            peak = {c, r};
        }
    });
    return peak;
}

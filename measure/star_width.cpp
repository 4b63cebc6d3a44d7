#include "measure/star_width.h"

#include <cmath>

#include "image/image.h"
#include "measure/box_stats.h"

namespace {

// Radians per second of arc, and millimetres per inch.
constexpr double kRadiansPerArcsec = 4.848137e-6;
constexpr double kMillimetresPerInch = 25.4;
// A peak must stand at least this far above the border mean to be a star.
constexpr int32_t kStarContrast = 5;

// Mean of the box border around (px, py), each border pixel once.
int32_t BorderMean(const CImage& image, int32_t px, int32_t py, int32_t n) {
    const int32_t h = n / 2;
    const int32_t left = px - h, top = py - h;
    const int32_t right = left + n - 1, bottom = top + n - 1;
    int64_t sum = 0;
    for (int32_t c = left; c <= right; ++c)
        sum += ClampedPixel(image, c, top) + ClampedPixel(image, c, bottom);
    for (int32_t r = top + 1; r < bottom; ++r)
        sum += ClampedPixel(image, left, r) + ClampedPixel(image, right, r);
    return int32_t(sum / (4 * n - 4));
}

// Distance in pixels, with linear interpolation, from the peak to half
// maximum along one direction (stepX, stepY); h when it is not reached.
double HalfWidth(const CImage& image, int32_t px, int32_t py, int32_t stepX, int32_t stepY,
                 int32_t h, int32_t half) {
    int32_t prev = image.At(px, py);
    for (int32_t k = 0; k < h; ++k) {
        const int32_t v = ClampedPixel(image, px + (k + 1) * stepX, py + (k + 1) * stepY);
        // prev stays above half until here, so prev - v is positive.
        if (v <= half) return k + double(prev - half) / double(prev - v);
        prev = v;
    }
    return h;
}

}  // namespace

StarWidths StarWidth(const CImage& image, int32_t px, int32_t py, int32_t n) {
    // A border needs at least a 3 x 3 box; the background divides by 4n - 4.
    if (n < 3 || !HasMeasurablePixels(image)) return {};
    if (px < 0 || px >= image.Width - n || py < 0 || py >= image.Height - n) return {};

    const int32_t peak = image.At(px, py);
    const int32_t background = BorderMean(image, px, py, n);
    if (background + kStarContrast >= peak) return {};

    const int32_t half = (background + peak + 1) / 2;
    const int32_t h = n / 2;
    StarWidths widths;
    widths.x = HalfWidth(image, px, py, 1, 0, h, half) + HalfWidth(image, px, py, -1, 0, h, half);
    widths.y = HalfWidth(image, px, py, 0, 1, h, half) + HalfWidth(image, px, py, 0, -1, h, half);
    if (widths.y > kMaximumVerticalWidth) widths.y = kMaximumVerticalWidth;
    return widths;
}

double ArcsecPerPixel(double pixelSizeMm, double focalLengthInches) {
    const double scale = pixelSizeMm / (focalLengthInches * kMillimetresPerInch * kRadiansPerArcsec);
    return std::isfinite(scale) && scale > 0.0 ? scale : 0.0;
}

double SeeingFromWidth(double widthPixels, double arcsecPerPixel) {
    const double seeing = widthPixels * arcsecPerPixel;
    if (!std::isfinite(seeing)) return 0.0;
    return seeing > kMaximumSeeing ? kMaximumSeeing : seeing;
}

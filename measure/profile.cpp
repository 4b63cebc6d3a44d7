#include "measure/profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "image/image.h"
#include "measure/box_stats.h"
#include "measure/star_fit.h"
#include "measure/star_width.h"

namespace {

// Read noise allowance, in electrons, added to the box mean as background.
constexpr double kBackgroundElectrons = 38.0;
constexpr double kLargestValue = 65535.0;

struct Span {
    int32_t first = 0;
    int32_t count = 0;
};

// The part of [start, start + n) that lies inside [0, size).
Span ClipSpan(int32_t start, int32_t n, int32_t size) {
    const int64_t first = std::max<int64_t>(start, 0);
    const int64_t end = std::min<int64_t>(int64_t(start) + n, size);
    return end > first ? Span{int32_t(first), int32_t(end - first)} : Span{};
}

// n pixels centred on a peak, shifted to lie inside [0, size); the image's
// side when it is shorter than n.
Span BoxSpan(int32_t peak, int32_t n, int32_t size) {
    const int32_t count = std::min(n, size);
    int32_t first = peak - count / 2;
    if (first < 0)
        first = 0;
    else if (first + count > size)
        first = size - count;
    return {first, count};
}

void FindPeak(const CImage& image, ProfileRequest& req) {
    const Span rows = ClipSpan(req.searchRow, req.searchHeight, image.Height);
    const Span columns = ClipSpan(req.searchColumn, req.searchWidth, image.Width);
    req.peakValue = 0;
    req.peakRow = 0;
    req.peakColumn = 0;
    for (int32_t r = rows.first; r < rows.first + rows.count; ++r)
        for (int32_t c = columns.first; c < columns.first + columns.count; ++c)
            if (image.At(c, r) > req.peakValue) {
                req.peakValue = image.At(c, r);
                req.peakRow = r;
                req.peakColumn = c;
            }
}

// Box mean plus the read-noise allowance in ADU; without a usable gain the
// allowance is left out rather than made infinite.
uint32_t Background(uint64_t boxSum, int64_t count, double gain) {
    const double allowance = std::isfinite(gain) && gain > 0.0 ? kBackgroundElectrons / gain : 0.0;
    const double level = double(boxSum) / double(count) + allowance + 0.5;
    if (!(level >= 0.0)) return 0;
    return uint32_t(std::min(level, kLargestValue));
}

void FindCentroid(const CImage& image, ProfileRequest& req) {
    req.boxSum = 0;
    for (int32_t i = 0; i < req.boxHeight; ++i)
        for (int32_t j = 0; j < req.boxWidth; ++j) req.boxSum += image.At(req.boxColumn + j, req.boxRow + i);
    req.background = Background(req.boxSum, int64_t(req.boxWidth) * req.boxHeight, image.E_gain);

    req.excessSum = req.excessByColumn = req.excessByRow = 0.0;
    for (int32_t i = 0; i < req.boxHeight; ++i)
        for (int32_t j = 0; j < req.boxWidth; ++j) {
            const uint32_t v = image.At(req.boxColumn + j, req.boxRow + i);
            if (v <= req.background) continue;
            const double e = v - req.background;
            req.excessSum += e;
            req.excessByColumn += e * (j + 1);
            req.excessByRow += e * (i + 1);
        }
    if (req.excessSum >= 1.0) {
        req.centroidColumn = req.excessByColumn / req.excessSum - 1 + req.boxColumn;
        req.centroidRow = req.excessByRow / req.excessSum - 1 + req.boxRow;
    } else {
        req.centroidColumn = (req.boxWidth - 1) / 2.0 + req.boxColumn;
        req.centroidRow = (req.boxHeight - 1) / 2.0 + req.boxRow;
    }
}

// A ring from one box side out, at least kSkyInner pixels, kSkyWidth wide:
// beyond the wings of a star the box was sized for.
constexpr double kSkyInner = 8.0;
constexpr double kSkyWidth = 6.0;

double SkyAround(const CImage& image, double x, double y, int32_t n) {
    const PixelGrid grid{image.pixels.data(), image.Width, image.Height};
    const double inner = std::max<double>(n, kSkyInner);
    return RingMedian(grid, x, y, inner, inner + kSkyWidth);
}

}  // namespace

ProfileResult MeasureProfile(const CImage& image, int32_t x, int32_t y, int32_t n) {
    ProfileResult result;
    if (!HasMeasurablePixels(image)) return result;
    n = std::clamp(n, kSmallestBox, kLargestBox);

    ProfileRequest& req = result.request;
    req.searchRow = y;
    req.searchColumn = x;
    req.searchHeight = req.searchWidth = n;
    FindPeak(image, req);

    const Span columns = BoxSpan(req.peakColumn, n, image.Width);
    const Span rows = BoxSpan(req.peakRow, n, image.Height);
    req.boxColumn = columns.first;
    req.boxWidth = columns.count;
    req.boxRow = rows.first;
    req.boxHeight = rows.count;
    FindCentroid(image, req);

    double sx = ArcsecPerPixel(image.X_pixel_size, image.Focal_length);
    double sy = ArcsecPerPixel(image.Y_pixel_size, image.Focal_length);
    if (sx == 0.0 || sy == 0.0) {
        result.distancesInPixels = true;
        sx = sy = 1.0;
    } else {
        result.scaleX = sx;
        result.scaleY = sy;
    }

    result.samples.reserve(size_t(req.boxWidth) * size_t(req.boxHeight));
    for (int32_t i = 0; i < req.boxHeight; ++i)
        for (int32_t j = 0; j < req.boxWidth; ++j) {
            const double dx = std::fabs(req.boxColumn + j - req.centroidColumn) * sx;
            const double dy = std::fabs(req.boxRow + i - req.centroidRow) * sy;
            result.samples.push_back({std::sqrt(dx * dx + dy * dy), image.At(req.boxColumn + j, req.boxRow + i)});
        }
    result.sky = SkyAround(image, req.centroidColumn, req.centroidRow, n);
    const double ex = (req.boxWidth - 1) * sx;
    const double ey = (req.boxHeight - 1) * sy;
    result.extent = std::sqrt(ex * ex + ey * ey);
    return result;
}

// Sky noise and the area's edge and outside, for MeasureQuality.

#include <algorithm>
#include <cmath>

#include "measure/quality.h"
#include "measure/quality_parts.h"

namespace {
constexpr int32_t kBox = 16;
// A box holds a star when any 3 x 3 mean rises this many box sigmas above
// the box's median (the mean's own noise is a third of a sigma).
constexpr double kStarInBox = 1.5;
// Lines compared on either side of the area's edge.
constexpr int32_t kEdgeOutside = 4;
constexpr int32_t kEdgeInside = 16;
}  // namespace

double Median(std::vector<double>& values) {
    if (values.empty()) return 0.0;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + mid, values.end());
    return values[mid];
}

double RobustSigma(std::vector<double>& values) {
    const double median = Median(values);
    for (double& v : values) v = std::fabs(v - median);
    return 1.4826 * Median(values);
}

double DifferenceNoise(const PixelGrid& grid, GridRect area) {
    std::vector<double> d;
    for (int32_t y = area.top; y < area.bottom; y += 2)
        for (int32_t x = area.left; x + 1 < area.right; x += 2) d.push_back(grid.At(x, y) - grid.At(x + 1, y));
    return RobustSigma(d) / std::sqrt(2.0);
}

namespace {

bool HoldsStar(const PixelGrid& grid, int32_t x0, int32_t y0, double median, double sigma) {
    for (int32_t y = y0 + 1; y < y0 + kBox - 1; ++y)
        for (int32_t x = x0 + 1; x < x0 + kBox - 1; ++x) {
            double sum = 0.0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) sum += grid.At(x + dx, y + dy);
            if (sum / 9.0 > median + kStarInBox * sigma) return true;
        }
    return false;
}

std::vector<double> BoxValues(const PixelGrid& grid, int32_t x0, int32_t y0) {
    std::vector<double> values;
    values.reserve(kBox * kBox);
    for (int32_t y = y0; y < y0 + kBox; ++y)
        for (int32_t x = x0; x < x0 + kBox; ++x) values.push_back(grid.At(x, y));
    return values;
}

}  // namespace

void MeasureSky(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report) {
    std::vector<double> sigmaBefore, sigmaAfter;
    // Boxes well inside the area, where a run works at full strength.
    for (int32_t y0 = area.top + kBox; y0 + 2 * kBox <= area.bottom; y0 += kBox)
        for (int32_t x0 = area.left + kBox; x0 + 2 * kBox <= area.right; x0 += kBox) {
            std::vector<double> values = BoxValues(before, x0, y0);
            const double median = Median(values);
            const double sigma = RobustSigma(values);
            if (sigma <= 0.0 || HoldsStar(before, x0, y0, median, sigma)) continue;
            sigmaBefore.push_back(sigma);
            values = BoxValues(after, x0, y0);
            sigmaAfter.push_back(RobustSigma(values));
        }
    report.skyBoxes = static_cast<int>(sigmaBefore.size());
    report.skyNoiseBefore = Median(sigmaBefore);
    report.skyNoiseAfter = Median(sigmaAfter);
    report.skyNoiseRatio = report.skyNoiseBefore > 0.0 ? report.skyNoiseAfter / report.skyNoiseBefore : 0.0;
}

namespace {

// Median of AFTER - BEFORE along the line d pixels inside one side (d < 0:
// outside), leaving out the corners' reach.
double LineChange(const PixelGrid& before, const PixelGrid& after, GridRect area, int side, int32_t d) {
    std::vector<double> change;
    const bool horizontal = side < 2;
    const int32_t fixed = side == 0 ? area.top + d : side == 1 ? area.bottom - 1 - d
                        : side == 2 ? area.left + d : area.right - 1 - d;
    const int32_t from = (horizontal ? area.left : area.top) + kEdgeInside;
    const int32_t to = (horizontal ? area.right : area.bottom) - kEdgeInside;
    for (int32_t t = from; t < to; ++t) {
        const int32_t x = horizontal ? t : fixed, y = horizontal ? fixed : t;
        if (before.Inside(x, y)) change.push_back(after.At(x, y) - before.At(x, y));
    }
    return Median(change);
}

}  // namespace

void MeasureEdge(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report) {
    double largest = 0.0;
    for (int side = 0; side < 4; ++side) {
        const int32_t length = side < 2 ? area.right - area.left : area.bottom - area.top;
        if (length <= 2 * kEdgeInside) continue;
        double previous = LineChange(before, after, area, side, -kEdgeOutside);
        for (int32_t d = -kEdgeOutside + 1; d < kEdgeInside; ++d) {
            const double line = LineChange(before, after, area, side, d);
            largest = std::max(largest, std::fabs(line - previous));
            previous = line;
        }
    }
    report.edgeStep = report.skyNoiseBefore > 0.0 ? largest / report.skyNoiseBefore : 0.0;
    int64_t changed = 0;
    for (int32_t y = 0; y < before.height; ++y)
        for (int32_t x = 0; x < before.width; ++x)
            if (!area.Contains(x, y) && before.At(x, y) != after.At(x, y)) ++changed;
    report.changedOutside = changed;
}

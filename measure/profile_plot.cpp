#include "measure/profile.h"

#include <algorithm>
#include <cmath>

#include "platform/format.h"

namespace {

// Plot margins inside the client area: 43 left, 10 right, 20 below, 10 above.
constexpr int32_t kHorizontalMargins = 53;
constexpr int32_t kVerticalMargins = 30;
// The x axis spans this share of the box diagonal, in ten divisions.
constexpr double kAxisShare = 0.7;
constexpr double kDivisionShare = 0.07;
constexpr double kMarkRadius = 2.0;

// A scale that would be infinite or undefined becomes 0: the points then
// collapse onto the axis instead of leaving the window.
double SafeScale(double length, double span) {
    const double scale = length / span;
    return std::isfinite(scale) && span > 0.0 ? scale : 0.0;
}

}  // namespace

ProfilePlot LayoutProfilePlot(const ProfileResult& profile, int32_t clientWidth, int32_t clientHeight) {
    ProfilePlot plot;
    plot.width = std::max(clientWidth - kHorizontalMargins, 0);
    plot.height = std::max(clientHeight - kVerticalMargins, 0);
    if (!profile.samples.empty()) {
        plot.maximum = 0;
        plot.minimum = 65535;
        for (const ProfileSample& s : profile.samples) {
            plot.maximum = std::max(plot.maximum, s.value);
            plot.minimum = std::min(plot.minimum, s.value);
        }
    }
    const double yScale = SafeScale(plot.height, double(plot.maximum) - plot.minimum);
    const double xScale = SafeScale(plot.width, kAxisShare * profile.extent);

    plot.points.reserve(profile.samples.size());
    for (const ProfileSample& s : profile.samples) {
        const double x = xScale * s.distance;
        const double y = (s.value - plot.minimum) * yScale;
        plot.points.push_back({int32_t(x - kMarkRadius), int32_t(y + kMarkRadius), int32_t(x + kMarkRadius),
                               int32_t(y - kMarkRadius)});
    }
    const char* unit = profile.distancesInPixels ? "%1.1lf px/div" : "%1.1lf \u2033/div";
    plot.divisionLabel = Format(unit, kDivisionShare * profile.extent);
    plot.maximumLabel = Format("%u", unsigned(plot.maximum));
    plot.minimumLabel = Format("%u", unsigned(plot.minimum));
    return plot;
}

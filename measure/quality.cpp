#include "measure/quality.h"

#include <algorithm>
#include <cmath>

#include "measure/quality_parts.h"

QualityReport MeasureQuality(const PixelGrid& before, const PixelGrid& after, GridRect area) {
    QualityReport report;
    area.left = std::max(area.left, 0);
    area.top = std::max(area.top, 0);
    area.right = std::min(area.right, before.width);
    area.bottom = std::min(area.bottom, before.height);
    if (area.Empty() || before.width != after.width || before.height != after.height) return report;
    MeasureSky(before, after, area, report);
    MeasureStars(before, after, area, report);
    MeasureEdge(before, after, area, report);
    return report;
}

#include "app/display/contrast_drag.h"

#include <algorithm>

#include "app/display/auto_levels.h"
#include "app/display/colour_table.h"
#include "app/display/display_index.h"

namespace {

constexpr int32_t kNeutralWidth = kWhiteIndex - kBackIndex;  // 64
constexpr int32_t kNarrowestWindow = 32;
constexpr int32_t kWidestWindow = 128;
constexpr int32_t kLastIndex = kDisplayIndexCount - 1;  // 191

// Truncates toward zero after clamping, so no out-of-range conversion happens.
int32_t ClampTruncate(double value, int32_t lowest, int32_t highest) {
    if (!(value >= lowest)) return lowest;
    if (value > highest) return highest;
    return int32_t(value);
}

}  // namespace

DragWindow ContrastDrag(int32_t dx, int32_t dy) {
    // 64-bit so that any mouse offset is safe; the clamps bring it back.
    const int64_t rawWidth = dx >= 0 ? int64_t(dx) + kNeutralWidth : int64_t(dx) / 2 + kNeutralWidth;
    const int32_t width = int32_t(std::clamp<int64_t>(rawWidth, kNarrowestWindow, kWidestWindow));

    int64_t start = int64_t(kBackIndex) - dy;
    if (start < 0)
        start = 0;
    else if (start + width > kLastIndex)
        start = kLastIndex - width;
    return {int32_t(start), int32_t(start) + width};
}

DisplaySettings ContrastDrop(const DisplaySettings& current, DragWindow window) {
    const double range = current.range;
    const double newRange = range * (double(window.end - window.start) / kNeutralWidth) + 0.5;
    const double newBack = current.back + range * (window.start - kBackIndex) / kNeutralWidth + 0.5;

    DisplaySettings settings = current;
    settings.range = ClampTruncate(newRange, kMinimumRange, kMaximumRange);
    // Truncation toward zero: a back of -5 moves to -4 on a neutral drop.
    settings.back = ClampTruncate(newBack, kMinimumBack, kMaximumBack);
    settings.autoContrast = 0;
    return settings;
}

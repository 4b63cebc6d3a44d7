#include "app/contrast_steps.h"

#include <algorithm>

#include "app/display/auto_levels.h"
#include "app/display/zoom.h"

int32_t SteppedValue(int32_t value, int32_t step) { return value + value / step + (step < 1 ? -1 : 1); }

int32_t SteppedBack(int32_t back, int32_t step) {
    return std::clamp(SteppedValue(back, step), kMinimumBack, kMaximumBack);
}

int32_t SteppedRange(int32_t range, int32_t step) {
    return std::clamp(SteppedValue(range, step), kMinimumRange, kMaximumRange);
}

int32_t ZoomOfMagIndex(int32_t index) {
    return index >= 0 && index < kZoomStepCount ? index : kZoomOneToOne;
}

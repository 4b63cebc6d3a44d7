#include "app/display/auto_levels.h"

#include <algorithm>

#include "app/display/histogram.h"
#include "image/image.h"

namespace {

// Cameras whose dark level sits higher get a wider smallest range.
constexpr int32_t kHighFloorCameras[] = {4, 8};
constexpr int32_t kHighFloor = 256;
constexpr int32_t kLowFloor = 64;
// A 20 % point this high leaves no room for back below it.
constexpr int32_t kTopPoint = 65520;
constexpr int32_t kTopValue = 65535;

int32_t RangeFloor(int32_t cameraIndex, int32_t minimumRange) {
    const bool high = std::find(std::begin(kHighFloorCameras), std::end(kHighFloorCameras),
                                cameraIndex) != std::end(kHighFloorCameras);
    return std::max(high ? kHighFloor : kLowFloor, minimumRange);
}

}  // namespace

BackRange AutoLevels(int32_t point20, int32_t point99, int32_t cameraIndex, int32_t minimumRange) {
    const int32_t floor = RangeFloor(cameraIndex, minimumRange);
    const int64_t widened = int64_t(double(int64_t(point99) - point20) * 1.1);
    const int32_t range = widened < floor          ? floor
                          : widened > kMaximumRange ? kMaximumRange
                                                    : int32_t(widened);

    int32_t back = point20 < kTopPoint ? point20 - range / 10 : kTopValue - range;
    back = std::max(back, kMinimumBack);
    return {back, range};
}

void AutoBackRange(CImage& image, CHistogram& histogram, int32_t minimumRange) {
    if (!histogram.IsValid()) histogram.Compute(image.pixels.data(), image.pixels.size());
    const BackRange levels =
        AutoLevels(histogram.Point20(), histogram.Point99(), image.cameraIndex, minimumRange);
    image.display.back = levels.back;
    image.display.range = levels.range;
}

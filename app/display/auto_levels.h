#pragma once
// Automatic back and range from the histogram's 20 % and 99 % points: the
// range is 110 % of their distance (at least a floor that depends on the
// camera), and back sits a tenth of the range below the 20 % point.

#include <cstdint>

class CImage;
class CHistogram;

// Smallest range the display editors accept; also the automatic minimum.
inline constexpr int32_t kMinimumRange = 16;
inline constexpr int32_t kMaximumRange = 65536;
inline constexpr int32_t kMinimumBack = -65535;
inline constexpr int32_t kMaximumBack = 65535;

struct BackRange {
    int32_t back = 0;
    int32_t range = 0;
    friend bool operator==(const BackRange&, const BackRange&) = default;
};

// The arithmetic alone, from the two points and the camera row.
BackRange AutoLevels(int32_t point20, int32_t point99, int32_t cameraIndex, int32_t minimumRange);

// Computes the histogram when it is not valid, then stores the automatic
// back and range in the image's display settings (other fields untouched).
// The caller refreshes the contrast bar with the image's settings.
void AutoBackRange(CImage& image, CHistogram& histogram, int32_t minimumRange);

#pragma once
// Zoom steps of an image window and the conversions between window points
// and image pixels. A step is 0..4 for 1:4, 1:2, 1:1, 2:1, 4:1; any other
// value is treated as 1:1. All divisions truncate toward zero.

#include <cstdint>

inline constexpr int32_t kZoomStepCount = 5;
inline constexpr int32_t kZoomOneToOne = 2;

// The step itself when it is 0..4, otherwise 1:1.
int32_t NormalizedZoom(int32_t zoom);

// "1:4", "1:2", "1:1", "2:1" or "4:1".
const char* ZoomLabel(int32_t zoom);

// Length on screen of an image length at a zoom (image length /4, /2, x1, x2, x4).
int32_t ZoomedLength(int32_t imageLength, int32_t zoom);

struct DisplaySize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const DisplaySize&, const DisplaySize&) = default;
};
DisplaySize ZoomedSize(int32_t imageWidth, int32_t imageHeight, int32_t zoom);

// A window coordinate (already offset by the scroll position) to an image
// coordinate: x4, x2, x1, /2, /4.
int32_t WindowToImage(int32_t windowCoord, int32_t zoom);
// An image coordinate to a window coordinate: /4, /2, x1, x2, x4.
int32_t ImageToWindow(int32_t imageCoord, int32_t zoom);

// The image pixel under the cursor: the child frame's client point less the
// 2-pixel frame inset, plus the scroll position, converted by the zoom.
struct CursorPoint {
    int32_t x = 0;
    int32_t y = 0;
};
CursorPoint CursorToImage(int32_t clientX, int32_t clientY, int32_t scrollX, int32_t scrollY,
                          int32_t zoom);

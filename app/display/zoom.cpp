#include "app/display/zoom.h"

namespace {

const char* const kZoomLabels[kZoomStepCount] = {"1:4", "1:2", "1:1", "2:1", "4:1"};

// How many image pixels one window pixel covers (zoomed out), or how many
// window pixels one image pixel covers (zoomed in).
constexpr int32_t kShrink[kZoomStepCount] = {4, 2, 1, 1, 1};
constexpr int32_t kEnlarge[kZoomStepCount] = {1, 1, 1, 2, 4};

}  // namespace

int32_t NormalizedZoom(int32_t zoom) {
    return (zoom >= 0 && zoom < kZoomStepCount) ? zoom : kZoomOneToOne;
}

const char* ZoomLabel(int32_t zoom) { return kZoomLabels[NormalizedZoom(zoom)]; }

int32_t ZoomedLength(int32_t imageLength, int32_t zoom) {
    return ImageToWindow(imageLength, zoom);
}

DisplaySize ZoomedSize(int32_t imageWidth, int32_t imageHeight, int32_t zoom) {
    return {ZoomedLength(imageWidth, zoom), ZoomedLength(imageHeight, zoom)};
}

int32_t WindowToImage(int32_t windowCoord, int32_t zoom) {
    const int32_t z = NormalizedZoom(zoom);
    return int32_t(int64_t(windowCoord) * kShrink[z] / kEnlarge[z]);
}

int32_t ImageToWindow(int32_t imageCoord, int32_t zoom) {
    const int32_t z = NormalizedZoom(zoom);
    return int32_t(int64_t(imageCoord) * kEnlarge[z] / kShrink[z]);
}

CursorPoint CursorToImage(int32_t clientX, int32_t clientY, int32_t scrollX, int32_t scrollY,
                          int32_t zoom) {
    // The child frame's client area starts 2 pixels outside the view's.
    constexpr int32_t kFrameInset = 2;
    return {WindowToImage(clientX - kFrameInset + scrollX, zoom),
            WindowToImage(clientY - kFrameInset + scrollY, zoom)};
}

#include "app/display/display_render.h"

#include <algorithm>

#include "app/display/display_bitmap.h"
#include "app/display/zoom.h"

GreyImage RenderGrey(const DisplayBitmap& bitmap, int32_t zoom) {
    GreyImage out;
    if (!bitmap.IsCreated()) return out;
    const int32_t srcW = bitmap.Width();
    const int32_t srcH = bitmap.Height();
    const DisplaySize size = ZoomedSize(srcW, srcH, zoom);
    out.width = std::max(size.width, 1);
    out.height = std::max(size.height, 1);
    out.pixels.resize(size_t(out.width) * size_t(out.height));

    // Nearest source column for every output column, computed once.
    std::vector<int32_t> sourceColumn(size_t(out.width));
    for (int32_t x = 0; x < out.width; ++x)
        sourceColumn[size_t(x)] = int32_t(int64_t(x) * srcW / out.width);

    for (int32_t y = 0; y < out.height; ++y) {
        const uint8_t* src = bitmap.Row(int32_t(int64_t(y) * srcH / out.height));
        uint8_t* dst = out.pixels.data() + size_t(y) * size_t(out.width);
        for (int32_t x = 0; x < out.width; ++x) dst[x] = bitmap.colours[src[sourceColumn[size_t(x)]]].green;
    }
    return out;
}

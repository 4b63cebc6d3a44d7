#include "app/display/smoothing.h"

#include <algorithm>
#include <vector>

namespace {

// Weights 1 2 1 over three rows, then 1 2 1 across: 16 in all.
constexpr uint32_t kWeightTotalShift = 4;

}  // namespace

void SmoothRow(const uint16_t* pixels, int32_t width, int32_t height, int32_t y, uint16_t* out) {
    const size_t w = size_t(width);
    const uint16_t* above = pixels + size_t(std::max(y - 1, 0)) * w;
    const uint16_t* row = pixels + size_t(y) * w;
    const uint16_t* below = pixels + size_t(std::min(y + 1, height - 1)) * w;

    // Column sums first; thread_local keeps the per-row work free of allocation.
    thread_local std::vector<uint32_t> column;
    column.resize(w);
    for (size_t x = 0; x < w; ++x)
        column[x] = uint32_t(above[x]) + 2u * row[x] + uint32_t(below[x]);

    if (w == 1) {
        out[0] = uint16_t((4u * column[0]) >> kWeightTotalShift);
        return;
    }
    out[0] = uint16_t((3u * column[0] + column[1]) >> kWeightTotalShift);
    for (size_t x = 1; x + 1 < w; ++x)
        out[x] = uint16_t((column[x - 1] + 2u * column[x] + column[x + 1]) >> kWeightTotalShift);
    out[w - 1] = uint16_t((column[w - 2] + 3u * column[w - 1]) >> kWeightTotalShift);
}

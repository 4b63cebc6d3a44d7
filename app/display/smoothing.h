#pragma once
// Display smoothing: a 1-2-1 / 2-4-2 / 1-2-1 weighted 3 x 3 average, divided
// by 16 and truncated. Outside the image the nearest edge row or column
// stands in, so a one-row or one-column image is smoothed without reading
// past its pixels. The image itself is never changed.

#include <cstdint>

// Writes the smoothed row y (width values) of a width x height image into out.
// Width and height must be at least 1 and y inside the image.
void SmoothRow(const uint16_t* pixels, int32_t width, int32_t height, int32_t y, uint16_t* out);

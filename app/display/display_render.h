#pragma once
// A grey image of the display bitmap as the window shows it: every index
// through the colour table, stretched to the zoomed size by picking the
// nearest source pixel (no blending), as a palette display draws it.

#include <cstdint>
#include <vector>

class DisplayBitmap;

struct GreyImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // width x height, rows top to bottom, no padding
};

// The zoomed size is clamped to at least 1 x 1 so that a tiny image at 1:4
// still gives a picture.
GreyImage RenderGrey(const DisplayBitmap& bitmap, int32_t zoom);

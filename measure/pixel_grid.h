#pragma once
// A read-only view of 16-bit pixels, row-major, top row first, for the
// measures that compare two images of the same size.

#include <cstddef>
#include <cstdint>

struct PixelGrid {
    const uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    double At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// A rectangle of columns left..right - 1 and rows top..bottom - 1.
struct GridRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
};

#pragma once
// Small synthetic images for the measurement tests.

#include <cstdint>

#include "image/image.h"

// The record cannot be copied, so fixtures fill one in place.
inline void MakeFlat(CImage& image, int32_t width, int32_t height, uint16_t value) {
    image.Width = width;
    image.Height = height;
    image.pixels.assign(size_t(width) * size_t(height), value);
}

inline void SetPixel(CImage& image, int32_t x, int32_t y, uint16_t value) {
    image.pixels[size_t(y) * size_t(image.Width) + size_t(x)] = value;
}

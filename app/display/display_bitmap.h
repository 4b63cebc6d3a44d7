#pragma once
// The 8-bit display bitmap of one image: a device-independent bitmap header
// (top-down rows), a 256-entry grey colour table and the display index rows,
// each padded to a multiple of 4 bytes. BuildDisplayBitmap fills the rows
// from the image's pixels and display settings (automatic levels, smoothing)
// and is the one full remap; contrast drags only rewrite the colour table.

#include <cstdint>
#include <vector>

#include "app/display/colour_table.h"
#include "image/display_settings.h"

class CImage;
class CHistogram;

// Field-for-field the 40-byte BITMAPINFOHEADER of a device-independent bitmap.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // negative: rows stored top to bottom
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 8;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 2322;
    int32_t biYPelsPerMeter = 2322;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

class DisplayBitmap {
public:
    // Sets the header for a width x height image, the default colour table
    // window (32, 96) without inversion, and allocates zeroed index rows.
    // Returns false, leaving the bitmap empty, when the size is not positive
    // or the rows cannot be allocated.
    bool Create(int32_t width, int32_t height);
    void Free();
    bool IsCreated() const { return !bits_.empty(); }

    const BitmapInfoHeader& Header() const { return header_; }
    int32_t Width() const { return header_.biWidth; }
    int32_t Height() const { return -header_.biHeight; }
    // Bytes per stored row: (width + 3) / 4 * 4.
    int32_t Stride() const { return stride_; }
    uint8_t* Row(int32_t y) { return bits_.data() + size_t(y) * size_t(stride_); }
    const uint8_t* Row(int32_t y) const { return bits_.data() + size_t(y) * size_t(stride_); }
    const uint8_t* Bits() const { return bits_.data(); }

    ColourTable colours{};

private:
    BitmapInfoHeader header_;
    int32_t stride_ = 0;
    std::vector<uint8_t> bits_;
};

// Maps width x height pixels into the bitmap's rows (the bitmap must have
// that size), smoothing first when settings.smooth is set.
void MapPixelsToBitmap(const uint16_t* pixels, int32_t width, int32_t height,
                       const DisplaySettings& settings, DisplayBitmap& bitmap);

// Rebuilds the index rows of the image's bitmap: runs the automatic levels
// first when the image's autoContrast is set (minimum range 16), then maps.
// The bitmap is (re)created when its size differs from the image's.
// Returns true when the automatic levels ran, so that the caller refreshes
// the contrast bar with the image's settings; false also when the image has
// no pixels or the rows cannot be allocated (the bitmap is then empty).
bool BuildDisplayBitmap(CImage& image, CHistogram& histogram, DisplayBitmap& bitmap);

// Sets the bitmap's colour table for the window (lo, hi) and the image's inversion.
void SetColourTable(DisplayBitmap& bitmap, int32_t lo, int32_t hi, bool invert);

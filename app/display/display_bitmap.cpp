#include "app/display/display_bitmap.h"

#include <new>
#include <stdexcept>

#include "app/display/auto_levels.h"
#include "app/display/display_index.h"
#include "app/display/histogram.h"
#include "app/display/smoothing.h"
#include "image/image.h"

namespace {

constexpr int32_t kRowAlignment = 4;

bool PixelsMatchSize(const CImage& image) {
    return image.Width > 0 && image.Height > 0 &&
           image.pixels.size() == size_t(image.Width) * size_t(image.Height);
}

}  // namespace

bool DisplayBitmap::Create(int32_t width, int32_t height) {
    Free();
    if (width <= 0 || height <= 0) return false;
    const int32_t stride = int32_t((int64_t(width) + kRowAlignment - 1) / kRowAlignment * kRowAlignment);
    try {
        bits_.assign(size_t(stride) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    header_ = BitmapInfoHeader{};
    header_.biWidth = width;
    header_.biHeight = -height;
    stride_ = stride;
    SetColourTable(colours, kDefaultWindowLo, kDefaultWindowHi, false);
    return true;
}

void DisplayBitmap::Free() {
    std::vector<uint8_t>().swap(bits_);
    header_ = BitmapInfoHeader{};
    stride_ = 0;
}

void MapPixelsToBitmap(const uint16_t* pixels, int32_t width, int32_t height,
                       const DisplaySettings& settings, DisplayBitmap& bitmap) {
    // One table per rebuild turns the per-pixel division into a lookup.
    thread_local DisplayIndexTable table;
    table.Build(settings.back, settings.range);
    const uint8_t* lookup = table.data();

    std::vector<uint16_t> smoothed(settings.smooth ? size_t(width) : 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* source = pixels + size_t(y) * size_t(width);
        if (settings.smooth) {
            SmoothRow(pixels, width, height, y, smoothed.data());
            source = smoothed.data();
        }
        uint8_t* row = bitmap.Row(y);
        for (int32_t x = 0; x < width; ++x) row[x] = lookup[source[x]];
    }
}

bool BuildDisplayBitmap(CImage& image, CHistogram& histogram, DisplayBitmap& bitmap) {
    if (!PixelsMatchSize(image)) {
        bitmap.Free();
        return false;
    }
    if (bitmap.Width() != image.Width || bitmap.Height() != image.Height || !bitmap.IsCreated()) {
        if (!bitmap.Create(image.Width, image.Height)) return false;
    }
    const bool automatic = image.display.autoContrast != 0;
    if (automatic) AutoBackRange(image, histogram, kMinimumRange);
    MapPixelsToBitmap(image.pixels.data(), image.Width, image.Height, image.display, bitmap);
    return automatic;
}

void SetColourTable(DisplayBitmap& bitmap, int32_t lo, int32_t hi, bool invert) {
    SetColourTable(bitmap.colours, lo, hi, invert);
}

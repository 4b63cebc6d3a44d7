#pragma once
// The second stage of the display mapping: display indices to grey levels.
// The 256-entry colour table goes with the display bitmap and may be
// inverted; the 192 palette entries are what a palette display animates
// during a contrast drag and are never inverted.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int32_t kColourTableSize = 256;
inline constexpr int32_t kPaletteSize = 192;
// The grey ramp used whenever no contrast drag is in progress.
inline constexpr int32_t kDefaultWindowLo = 32;
inline constexpr int32_t kDefaultWindowHi = 96;

// One colour-table entry as stored in a device-independent bitmap.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

using ColourTable = std::array<RgbQuad, kColourTableSize>;
using PaletteGreys = std::array<uint8_t, kPaletteSize>;

// Grey of colour-table entry i: 0 up to lo, 255 from hi, (i - lo) * 256 /
// (hi - lo) between; inverted as 255 - grey.
uint8_t ColourTableGrey(int32_t i, int32_t lo, int32_t hi, bool invert);

// Fills all 256 entries for the window (lo, hi).
void SetColourTable(ColourTable& table, int32_t lo, int32_t hi, bool invert);

// The 192 palette greys for the window (lo, hi): (i - lo) * 255 / (hi - lo)
// between the ends.
PaletteGreys PaletteEntries(int32_t lo, int32_t hi);

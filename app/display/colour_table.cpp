#include "app/display/colour_table.h"

namespace {

constexpr int32_t kWhite = 255;

// Grey of entry i on a ramp from lo to hi that reaches `top` at hi; the
// division happens only strictly between the ends, so lo >= hi never divides.
int32_t RampGrey(int32_t i, int32_t lo, int32_t hi, int32_t top) {
    if (i <= lo) return 0;
    if (i >= hi) return kWhite;
    return int32_t((int64_t(i) - lo) * top / (int64_t(hi) - lo));
}

}  // namespace

uint8_t ColourTableGrey(int32_t i, int32_t lo, int32_t hi, bool invert) {
    // A 256-step ramp: strictly below hi it stays under 256.
    const int32_t grey = RampGrey(i, lo, hi, 256);
    return uint8_t(invert ? kWhite - grey : grey);
}

void SetColourTable(ColourTable& table, int32_t lo, int32_t hi, bool invert) {
    for (int32_t i = 0; i < kColourTableSize; ++i) {
        const uint8_t g = ColourTableGrey(i, lo, hi, invert);
        table[size_t(i)] = RgbQuad{g, g, g, 0};
    }
}

PaletteGreys PaletteEntries(int32_t lo, int32_t hi) {
    PaletteGreys greys{};
    for (int32_t i = 0; i < kPaletteSize; ++i) greys[size_t(i)] = uint8_t(RampGrey(i, lo, hi, kWhite));
    return greys;
}

#pragma once
// The first stage of the display mapping: every 16-bit pixel value becomes a
// display index 0..191, with back landing on index 32 and back + range on
// index 96. Values up to half a range below back and one and a half ranges
// above back + range keep distinct indices; the rest saturate at 0 or 191.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int32_t kDisplayIndexCount = 192;
inline constexpr int32_t kBackIndex = 32;
inline constexpr int32_t kWhiteIndex = 96;
inline constexpr int32_t kPixelValueCount = 65536;

// Index of one value for the given back and range (any 32-bit back and
// range, including range 0 or negative, gives a defined index).
uint8_t DisplayIndex(int32_t value, int32_t back, int32_t range);

// All 65536 indices for one back and range, so that mapping a pixel is a
// single table lookup.
class DisplayIndexTable {
public:
    DisplayIndexTable() { Build(100, 1000); }
    void Build(int32_t back, int32_t range);
    uint8_t operator[](uint16_t value) const { return table_[value]; }
    const uint8_t* data() const { return table_.data(); }

private:
    std::array<uint8_t, kPixelValueCount> table_{};
};

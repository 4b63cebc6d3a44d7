#include "app/display/display_index.h"

namespace {

// Width of the stretch from lo upward, in ranges: back sits half a range above lo.
constexpr int64_t kSpanRanges = 3;

// 64-bit throughout: back and range come from files unchecked, and the
// 32-bit forms of lo, span and d * 192 overflow for extreme values. Inside
// the editors' limits the result equals the 32-bit arithmetic.
uint8_t IndexFor(int64_t value, int64_t lo, int64_t span) {
    if (value <= lo) return 0;
    const int64_t d = value - lo;
    if (d >= span) return uint8_t(kDisplayIndexCount - 1);
    return uint8_t(d * kDisplayIndexCount / span);
}

}  // namespace

uint8_t DisplayIndex(int32_t value, int32_t back, int32_t range) {
    const int64_t lo = int64_t(back) - range / 2;
    return IndexFor(value, lo, kSpanRanges * range);
}

void DisplayIndexTable::Build(int32_t back, int32_t range) {
    const int64_t lo = int64_t(back) - range / 2;
    const int64_t span = kSpanRanges * range;
    for (int32_t v = 0; v < kPixelValueCount; ++v) table_[size_t(v)] = IndexFor(v, lo, span);
}

#include "image/fits_precision.h"

#include <charconv>
#include <cmath>

#include "image/fits_reader.h"

namespace {

constexpr int32_t kStoredLowest = -32768;
constexpr int32_t kStoredHighest = 32767;
constexpr int32_t kLargestPixel = 65535;
constexpr double kUnsignedZero = 32768.0;

// Shortest text that reads back as the same double, whatever the locale.
std::string NumberText(double value) {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

bool WholeNumber(double value) { return std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e9; }

// With whole values (scale 1, whole zero) the import maps v = zero + stored
// to v when 0 <= v <= 65535, adds 65536 to a negative v and clips a larger
// one to 65535. A pixel that no stored value maps to unchanged came from a
// value outside the range; with a zero above 32768 a pixel of 65535 may be a
// clipped one, which is counted too (it costs at most one needless question).
bool ValuesLeftTheRange(int64_t zero, const std::vector<uint16_t>& pixels) {
    if (zero == int64_t(kUnsignedZero)) return false;
    for (uint16_t pixel : pixels) {
        const int64_t stored = int64_t(pixel) - zero;
        if (stored < kStoredLowest || stored > kStoredHighest) return true;
        if (zero > int64_t(kUnsignedZero) && pixel == kLargestPixel) return true;
    }
    return false;
}

}  // namespace

FitsScaling ReadFitsScaling(const std::vector<char>& records) {
    return FitsScaling{RecordNumber(records, "BZERO", 0.0), RecordNumber(records, "BSCALE", 1.0)};
}

std::string DescribeRounding(const FitsScaling& scaling, const std::vector<uint16_t>& pixels) {
    if (scaling.scale != 1.0 || !WholeNumber(scaling.zero))
        return "the file's values are scaled (BSCALE = " + NumberText(scaling.scale) + ", BZERO = " +
               NumberText(scaling.zero) + ") and were rounded to whole numbers from 0 to 65535";
    if (ValuesLeftTheRange(int64_t(scaling.zero), pixels))
        return "some of the file's values lie outside 0 to 65535 and were changed to fit 16 bits";
    return {};
}

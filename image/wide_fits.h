#pragma once
// FITS images whose values do not fit 16 bits (32-bit integers, 32- and
// 64-bit reals, as stacking programs write them) open only by an explicit
// conversion: the values are mapped linearly onto 0..65535, either from a
// range chosen automatically (the 0.01 % and 99.99 % points of the finite
// values) or from the user's minimum and maximum. Undefined values (not a
// number, infinite, BLANK) become 0 and are counted. The result is a new
// FITS image record whose kept cards say how to map the pixels back:
// value = QVZERO + QVSCALE x pixel.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/fits_reader.h"
#include "platform/file_error.h"

class CImage;

struct WideScale {
    bool automatic = true;
    double minimum = 0.0;  // maps to 0 (user's range only)
    double maximum = 0.0;  // maps to 65535
};

// Parses "auto" or "MIN,MAX" (MIN below MAX, both finite, "." decimals).
std::optional<WideScale> ParseWideScale(const std::string& text);

struct WideFitsFile {
    int32_t bitpix = 0;  // 32, -32 or -64
    int32_t width = 0;
    int32_t height = 0;
};

struct WideMapping {
    double low = 0.0;   // maps to 0
    double high = 0.0;  // maps to 65535
    int64_t undefined = 0;  // not-a-number or infinite values set to 0
    int64_t finite = 0;
};

// The file is a FITS image the 16-bit import refuses but the conversion can
// open; nothing otherwise (and nothing asked of the library for a file that
// does not begin as FITS does).
std::optional<WideFitsFile> ProbeWideFits(const std::string& path, FitsImportFunction import);

// Raised by loading instead of the generic refusal, without a notice, so that
// the caller can offer the conversion.
class WideFitsRefused : public CFileException {
public:
    WideFitsRefused(const std::string& path, WideFitsFile file);
    WideFitsFile file;
};

// Reads the values once for the question: the automatic range and the
// count of undefined values. Nothing when the values cannot be read.
std::optional<WideMapping> PreviewWideFits(const std::string& path, FitsImportFunction import);

// The range the automatic scale chooses for these values: the 0.01 % and
// 99.99 % points of the finite ones (low == high when all are equal; both
// 0 without a finite value).
WideMapping AutomaticRange(const std::vector<float>& values);

// Maps the values onto 16 bits: (v - low) / (high - low) x 65535, rounded and
// clipped; undefined values give 0. A range of no width maps everything to 0.
std::vector<uint16_t> MapToSixteenBits(const std::vector<float>& values, const WideMapping& mapping);

// Loads, converts and fills image (only on success) as a FITS image of
// 16 bits whose kept cards record the mapping. The record's fields come from
// the file as for any FITS image.
FitsImportOutcome ImportWideFits(CImage& image, const std::string& path, const WideScale& scale,
                                 FitsImportFunction import, WideMapping& mapping);

// One line for the user: the mapping and the count of undefined values.
std::string WideMappingText(const WideFitsFile& file, const WideMapping& mapping);

// The question before the conversion, naming the file's type and the mapping.
std::string WideConvertQuestion(const std::string& fileName, const WideFitsFile& file,
                                const WideScale& scale);

// The same through the library's own entry point, for callers outside image/.
std::optional<WideFitsFile> ProbeWideFits(const std::string& path);
std::optional<WideMapping> PreviewWideFits(const std::string& path);
FitsImportOutcome ImportWideFits(CImage& image, const std::string& path, const WideScale& scale,
                                 WideMapping& mapping);

// A name for the converted image beside the original: "NAME-16bit.fits".
std::string ConvertedFileName(const std::string& path);

#pragma once
// Files from today's capture and stacking programs describe optics and
// exposure with the amateur keyword convention instead of the native
// keywords: XPIXSZ/YPIXSZ in micrometres, FOCALLEN and APTDIA in
// millimetres, EXPOSURE, EGAIN, SET-TEMP, XBINNING/YBINNING. The import reads
// those keywords only where the native keyword gave nothing, so files that
// carry the native keywords load exactly as before, and it notes which
// fields are still stand-ins so they are never shown as facts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fitslib/orbex.h"

class CImage;

// The value field of the first card named keyword (columns 11..80), if any
// card of the records begins with the keyword padded to 8 and "=".
std::optional<std::string_view> CardValue(const std::vector<char>& records, const char* keyword);
// The card's value as a number (integer or real, either exponent letter).
std::optional<double> CardNumber(const std::vector<char>& records, const char* keyword);
// The card's quoted text, doubled quotes undone and trailing blanks removed.
std::optional<std::string> CardText(const std::vector<char>& records, const char* keyword);

// DefaultField bits for the members the corrections would replace; run
// before CorrectImageInfo.
uint32_t MissingImageInfo(const FITSIMAGEINFO& info, const std::vector<char>& records);

// Fills the members named in missing from the convention's keywords, in the
// units of the import record, and clears their bits. A file that follows the
// convention (its pixel size or version card, no native pixel size or
// aperture) states FOCALLEN in millimetres; it is converted to inches.
void ApplyFallbackKeywords(FITSIMAGEINFO& info, const std::vector<char>& records,
                           uint32_t& missing);

// After the conversions into the record: binning, and the maker's metric
// standard's own stand-ins (its keywords with their defaults).
void FinishFallbacks(CImage& image, uint32_t missing);

#include "image/wide_fits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "image/fits_writer.h"
#include "image/image.h"

namespace {

constexpr char kFitsSignature[] = "SIMPLE  =";
constexpr size_t kFitsSignatureChars = sizeof kFitsSignature - 1;

constexpr double kLargestPixel = 65535.0;
constexpr double kLowFraction = 0.0001;   // 0.01 %
constexpr double kHighFraction = 0.9999;  // 99.99 %

std::optional<double> ParseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

const char* TypeText(int32_t bitpix) {
    switch (bitpix) {
    case 32: return "32-bit integer";
    case -64: return "64-bit floating-point";
    default: return "32-bit floating-point";
    }
}

std::string Number(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The value at a fraction of the sorted finite values (nearest rank).
float RankValue(std::vector<float>& finite, double fraction) {
    size_t rank = size_t(fraction * double(finite.size() - 1) + 0.5);
    std::nth_element(finite.begin(), finite.begin() + std::ptrdiff_t(rank), finite.end());
    return finite[rank];
}

std::string HistoryCard(const std::string& text) {
    std::string card = "HISTORY " + text;
    card.resize(kFitsCardChars, ' ');
    return card;
}

// The kept cards of the converted image: the original's cards that describe
// its stored values go (they would mislead about the 16-bit pixels), and the
// mapping is added as HISTORY cards and as the QVZERO/QVSCALE pair.
void RecordMapping(CImage& image, const WideFitsFile& file, const WideMapping& mapping) {
    std::string cards;
    std::string_view kept(image.fitsRecords.data(),
                          image.fitsRecords.empty() ? 0 : image.fitsRecords.size() - 1);
    for (size_t at = 0; at + kFitsCardChars <= kept.size(); at += kFitsCardChars) {
        std::string_view card = kept.substr(at, kFitsCardChars);
        if (card.starts_with("BLANK   =") || card.starts_with("DATAMIN =") ||
            card.starts_with("DATAMAX =") || card.starts_with("QVZERO  =") ||
            card.starts_with("QVSCALE ="))
            continue;
        cards.append(card);
    }
    const double scale = (mapping.high - mapping.low) / kLargestPixel;
    cards += HistoryCard(std::string("Quorvane: ") + TypeText(file.bitpix) +
                         " values mapped linearly to 16 bits");
    cards += HistoryCard("  " + Number(mapping.low) + " -> 0, " + Number(mapping.high) +
                         " -> 65535, values outside clipped");
    cards += HistoryCard("  " + std::to_string(mapping.undefined) +
                         " undefined values (NaN, infinite, BLANK) set to 0");
    cards += HistoryCard("  original value = QVZERO + QVSCALE * pixel");
    AppendRealCard(cards, "QVZERO  = ", mapping.low, "value of pixel 0");
    AppendRealCard(cards, "QVSCALE = ", scale, "value step of one pixel unit");
    image.fitsRecords.assign(cards.begin(), cards.end());
    image.fitsRecords.push_back('\0');
}

}  // namespace

std::optional<WideScale> ParseWideScale(const std::string& text) {
    if (text == "auto")
        return WideScale{};
    size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    std::optional<double> low = ParseNumber(std::string_view(text).substr(0, comma));
    std::optional<double> high = ParseNumber(std::string_view(text).substr(comma + 1));
    if (!low || !high || !(*low < *high))
        return std::nullopt;
    return WideScale{false, *low, *high};
}

std::optional<WideFitsFile> ProbeWideFits(const std::string& path, FitsImportFunction import) {
    char start[kFitsSignatureChars] = {};
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        const size_t got = std::fread(start, 1, sizeof start, file);
        std::fclose(file);
        if (got != sizeof start || std::memcmp(start, kFitsSignature, sizeof start) != 0)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    FITSWIDEINFO wide{};
    if (import(FI_WIDEHEADER, path.c_str(), &wide) != FI_OK || wide.info.rows < 1 ||
        wide.info.columns < 1)
        return std::nullopt;
    return WideFitsFile{wide.bitpix, wide.info.columns, wide.info.rows};
}

WideMapping AutomaticRange(const std::vector<float>& values) {
    WideMapping mapping;
    std::vector<float> finite;
    finite.reserve(values.size());
    for (float v : values)
        if (std::isfinite(v))
            finite.push_back(v);
    mapping.finite = int64_t(finite.size());
    mapping.undefined = int64_t(values.size()) - mapping.finite;
    if (finite.empty())
        return mapping;
    mapping.low = RankValue(finite, kLowFraction);
    mapping.high = RankValue(finite, kHighFraction);
    return mapping;
}

std::vector<uint16_t> MapToSixteenBits(const std::vector<float>& values, const WideMapping& mapping) {
    std::vector<uint16_t> pixels(values.size(), 0);
    const double width = mapping.high - mapping.low;
    if (!(width > 0.0) || !std::isfinite(width))
        return pixels;
    const double factor = kLargestPixel / width;
    for (size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        if (!std::isfinite(v))
            continue;
        const double mapped = (v - mapping.low) * factor + 0.5;
        pixels[i] = mapped <= 0.0 ? 0 : mapped >= kLargestPixel ? 65535 : uint16_t(mapped);
    }
    return pixels;
}

WideFitsRefused::WideFitsRefused(const std::string& path, WideFitsFile wideFile)
    : CFileException(CFileException::generic, path,
                     std::string("The FITS file holds ") + TypeText(wideFile.bitpix) +
                         " values; Quorvane opens such images only converted to 16 bits."),
      file(wideFile) {}

namespace {

// The file's values as floats, or nothing.
bool ReadWideValues(const std::string& path, FitsImportFunction import, FITSWIDEINFO& wide,
                    std::vector<float>& values, FitsImportOutcome& outcome) {
    uint16_t status = import(FI_WIDEHEADER, path.c_str(), &wide);
    outcome = status == FI_NOT_FITS ? FitsImportOutcome::notFits : FitsImportOutcome::unsupported;
    if (status != FI_OK || wide.info.rows < 1 || wide.info.columns < 1)
        return false;
    const int64_t count = int64_t(wide.info.rows) * wide.info.columns;
    outcome = FitsImportOutcome::tooLarge;
    if (count > kMaxImagePixels || uint64_t(count) * sizeof(float) > UINT32_MAX)
        return false;
    try {
        values.assign(size_t(count), 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    FITSBUFFER buffer{};
    buffer.data = values.data();
    buffer.capacity = uint32_t(values.size() * sizeof(float));  // checked above
    outcome = FitsImportOutcome::failed;
    return import(FI_WIDEPIXELS, path.c_str(), &buffer) == FI_OK;
}

}  // namespace

std::optional<WideMapping> PreviewWideFits(const std::string& path, FitsImportFunction import) {
    FITSWIDEINFO wide{};
    std::vector<float> values;
    FitsImportOutcome outcome;
    if (!ReadWideValues(path, import, wide, values, outcome))
        return std::nullopt;
    return AutomaticRange(values);
}

FitsImportOutcome ImportWideFits(CImage& image, const std::string& path, const WideScale& scale,
                                 FitsImportFunction import, WideMapping& mapping) {
    FITSWIDEINFO wide{};
    std::vector<float> values;
    FitsImportOutcome outcome;
    if (!ReadWideValues(path, import, wide, values, outcome))
        return outcome;

    auto staged = std::make_unique<CImage>();
    staged->cameraName = image.cameraName;
    staged->display = image.display;
    MapFitsHeader(*staged, path, wide.info, int64_t(wide.headerTextSize), import);
    mapping = AutomaticRange(values);
    if (!scale.automatic) {
        mapping.low = scale.minimum;
        mapping.high = scale.maximum;
    }
    staged->pixels = MapToSixteenBits(values, mapping);
    // The file's levels and saturation described the original values.
    staged->Sat_level = 65535;
    staged->display.back = 0;
    staged->display.range = 65535;
    staged->display.autoContrast = 1;
    RecordMapping(*staged, WideFitsFile{wide.bitpix, wide.info.columns, wide.info.rows}, mapping);
    AdoptImportedRecord(image, *staged);
    return FitsImportOutcome::ok;
}

std::string WideMappingText(const WideFitsFile& file, const WideMapping& mapping) {
    return std::string(TypeText(file.bitpix)) + " values from " + Number(mapping.low) + " to " +
           Number(mapping.high) + " become 0 to 65535; " + std::to_string(mapping.undefined) +
           " undefined values (NaN or infinite) become 0.";
}

std::string WideConvertQuestion(const std::string& fileName, const WideFitsFile& file,
                                const WideScale& scale) {
    std::string range = scale.automatic
                            ? std::string("the automatic range (0.01 % to 99.99 % of the finite values)")
                            : "the range " + Number(scale.minimum) + " to " + Number(scale.maximum);
    return fileName + " holds " + TypeText(file.bitpix) +
           " values, which Quorvane opens as 16-bit pixels only. Its values are mapped linearly "
           "from " + range + " onto 0 to 65535; undefined values become 0. The original file is "
           "not changed: convert to 16 bits?";
}

std::string ConvertedFileName(const std::string& path) {
    std::filesystem::path original(path);
    return (original.parent_path() / (original.stem().string() + "-16bit.fits")).string();
}

std::optional<WideFitsFile> ProbeWideFits(const std::string& path) { return ProbeWideFits(path, &FITSImport); }

std::optional<WideMapping> PreviewWideFits(const std::string& path) { return PreviewWideFits(path, &FITSImport); }

FitsImportOutcome ImportWideFits(CImage& image, const std::string& path, const WideScale& scale,
                                 WideMapping& mapping) {
    return ImportWideFits(image, path, scale, &FITSImport, mapping);
}

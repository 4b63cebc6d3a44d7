#include "image/fits_fallbacks.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "image/field_defaults.h"
#include "image/image.h"

namespace {

constexpr size_t kCardChars = 80;
constexpr size_t kValueColumn = 10;  // "NAME    = " takes columns 1..10
constexpr double kMicrometresPerMillimetre = 1000.0;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kSquareMillimetresPerSquareInch = 645.16;

std::string_view RecordsView(const std::vector<char>& records) {
    if (records.empty()) return {};
    return std::string_view(records.data(), strnlen(records.data(), records.size()));
}

bool HasCard(const std::vector<char>& records, const char* keyword) {
    return CardValue(records, keyword).has_value();
}

double Positive(std::optional<double> value) { return value && *value > 0.0 ? *value : 0.0; }

// The time "hh:mm:ss[.fff]" at the start of text; single-digit fields too.
bool ParseClock(std::string_view text, int16_t& hour, int16_t& minute, int16_t& second) {
    int h = 0, m = 0;
    double s = 0.0;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*s", int(std::min<size_t>(text.size(), 39)),
                  text.data());
    int used = 0;
    if (std::sscanf(buffer, "%2d:%2d:%n", &h, &m, &used) != 2 || used == 0)
        return false;
    auto [end, error] = std::from_chars(buffer + used, buffer + std::strlen(buffer), s);
    if (error != std::errc() || h < 0 || h > 23 || m < 0 || m > 59 || !(s >= 0.0 && s < 61.0))
        return false;
    hour = int16_t(h), minute = int16_t(m), second = int16_t(s);  // seconds truncate
    return true;
}

// DATE-OBS as "YYYY-MM-DD" followed by "T" or a blank and the time.
void DateFallback(FITSIMAGEINFO& info, const std::vector<char>& records, uint32_t& missing) {
    std::optional<std::string> text = CardText(records, "DATE-OBS");
    if (!text)
        return;
    int year = 0, month = 0, day = 0, used = 0;
    if (std::sscanf(text->c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3 ||
        year < 1 || month < 1 || month > 12 || day < 1 || day > 31)
        return;
    bool dateMissing = (missing & kDefaultDate) != 0;
    std::string_view rest = std::string_view(*text).substr(size_t(used));
    bool blankTime = rest.size() > 1 && rest[0] == ' ' && !HasCard(records, "TIME-OBS");
    if (!dateMissing && !blankTime)
        return;
    info.year = int16_t(year), info.month = int16_t(month), info.day = int16_t(day);
    if (rest.size() > 1 && (rest[0] == 'T' || rest[0] == ' '))
        ParseClock(rest.substr(1), info.hour, info.minute, info.second);
    missing &= ~uint32_t(kDefaultDate);
}

// The maker's own metric standard converts its keywords itself.
bool MetricStandard(const std::vector<char>& records) {
    return RecordsView(records).find("KESTDVER=") != std::string_view::npos;
}

bool FollowsConvention(const std::vector<char>& records) {
    if (MetricStandard(records) || HasCard(records, "PIXWIDTH") || HasCard(records, "PIXHEIGH") ||
        HasCard(records, "APERTURE"))
        return false;
    return HasCard(records, "SBSTDVER") || HasCard(records, "XPIXSZ") ||
           HasCard(records, "YPIXSZ") || HasCard(records, "APTDIA") || HasCard(records, "APTAREA");
}

void OpticsFallback(FITSIMAGEINFO& info, const std::vector<char>& records, uint32_t& missing) {
    auto take = [&](DefaultField bit, double& member, double value) {
        if ((missing & bit) && value > 0.0) {
            member = value;
            missing &= ~uint32_t(bit);
        }
    };
    take(kDefaultPixelWidth, info.pixelWidth,
         Positive(CardNumber(records, "XPIXSZ")) / kMicrometresPerMillimetre);
    take(kDefaultPixelHeight, info.pixelHeight,
         Positive(CardNumber(records, "YPIXSZ")) / kMicrometresPerMillimetre);
    double area = Positive(CardNumber(records, "APTAREA"));
    if (area == 0.0) {
        double diameter = Positive(CardNumber(records, "APTDIA"));
        area = std::numbers::pi * diameter * diameter / 4.0;
    }
    take(kDefaultAperture, info.aperture, area / kSquareMillimetresPerSquareInch);
    take(kDefaultGain, info.gain, Positive(CardNumber(records, "EGAIN")));
    if (FollowsConvention(records)) {
        double millimetres = Positive(CardNumber(records, "FOCALLEN"));
        if (millimetres > 0.0) {
            info.focalLength = millimetres / kMillimetresPerInch;
            missing &= ~uint32_t(kDefaultFocalLength);
        }
    }
}

}  // namespace

std::optional<std::string_view> CardValue(const std::vector<char>& records, const char* keyword) {
    char key[16];
    std::snprintf(key, sizeof key, "%-8.8s=", keyword);
    std::string_view text = RecordsView(records);
    for (size_t at = 0; at + kCardChars <= text.size(); at += kCardChars) {
        std::string_view card = text.substr(at, kCardChars);
        if (card.starts_with(key))
            return card.substr(kValueColumn);
    }
    return std::nullopt;
}

std::optional<double> CardNumber(const std::vector<char>& records, const char* keyword) {
    std::optional<std::string_view> value = CardValue(records, keyword);
    if (!value)
        return std::nullopt;
    std::string field(*value);
    size_t start = field.find_first_not_of(' ');
    if (start == std::string::npos)
        return std::nullopt;
    for (char& c : field)
        if (c == 'D' || c == 'd')
            c = 'E';
    const char* begin = field.c_str() + start;
    if (*begin == '+')
        ++begin;
    double number = 0.0;
    auto [end, error] = std::from_chars(begin, field.c_str() + field.size(), number);
    if (error != std::errc() || !std::isfinite(number))
        return std::nullopt;
    if (*end != '\0' && *end != ' ' && *end != '/')
        return std::nullopt;
    return number;
}

std::optional<std::string> CardText(const std::vector<char>& records, const char* keyword) {
    std::optional<std::string_view> value = CardValue(records, keyword);
    if (!value)
        return std::nullopt;
    size_t open = value->find_first_not_of(' ');
    if (open == std::string_view::npos || (*value)[open] != '\'')
        return std::nullopt;
    std::string text;
    for (size_t i = open + 1; i < value->size(); ++i) {
        if ((*value)[i] != '\'') {
            text += (*value)[i];
            continue;
        }
        if (i + 1 < value->size() && (*value)[i + 1] == '\'') {
            text += '\'';
            ++i;
            continue;
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }
    return std::nullopt;  // no closing quote
}

uint32_t MissingImageInfo(const FITSIMAGEINFO& info, const std::vector<char>& records) {
    uint32_t missing = 0;
    auto mark = [&](bool condition, DefaultField bit) {
        if (condition)
            missing |= bit;
    };
    mark(info.year == 0 || info.month == 0 || info.day == 0, kDefaultDate);
    mark(!(info.exposureTime > 0.0), kDefaultExposure);
    mark(info.exposures < 1, kDefaultExposures);
    mark(!(info.pixelWidth > 0.0), kDefaultPixelWidth);
    mark(!(info.pixelHeight > 0.0), kDefaultPixelHeight);
    mark(!HasCard(records, "RESMODE"), kDefaultReadoutMode);
    mark(info.exposureState < 1, kDefaultExposureState);
    mark(!HasCard(records, "CCD-TEMP"), kDefaultTemperature);
    mark(!(info.response > 0.0), kDefaultResponse);
    mark(!(info.gain > 0.0), kDefaultGain);
    mark(!(info.focalLength > 0.0), kDefaultFocalLength);
    mark(!(info.aperture > 0.0), kDefaultAperture);
    return missing;
}

void ApplyFallbackKeywords(FITSIMAGEINFO& info, const std::vector<char>& records,
                           uint32_t& missing) {
    if (records.empty())
        return;
    DateFallback(info, records, missing);
    double exposure = Positive(CardNumber(records, "EXPOSURE"));
    if ((missing & kDefaultExposure) && exposure > 0.0) {
        info.exposureTime = exposure;
        missing &= ~uint32_t(kDefaultExposure);
    }
    std::optional<double> setPoint = CardNumber(records, "SET-TEMP");
    if ((missing & kDefaultTemperature) && setPoint) {
        info.temperature = *setPoint;
        missing &= ~uint32_t(kDefaultTemperature);
    }
    if (info.note[0] == '\0')
        std::memcpy(info.note, info.object, sizeof info.note);
    if (!MetricStandard(records))
        OpticsFallback(info, records, missing);
}

void FinishFallbacks(CImage& image, uint32_t missing) {
    const std::vector<char>& records = image.fitsRecords;
    auto binning = [&](const char* keyword) {
        std::optional<double> value = CardNumber(records, keyword);
        return value && *value >= 1.0 && *value <= 1024.0 ? int32_t(*value) : 0;
    };
    image.X_binning = binning("XBINNING");
    image.Y_binning = binning("YBINNING");
    if (MetricStandard(records)) {
        // The metric standard replaces these from its own keywords or their defaults.
        missing &= ~uint32_t(kDefaultPixelWidth | kDefaultPixelHeight | kDefaultAperture |
                             kDefaultGain);
        auto mark = [&](const char* keyword, DefaultField bit) {
            if (!CardNumber(records, keyword))
                missing |= bit;
        };
        mark("XPIXSZ", kDefaultPixelWidth);
        mark("YPIXSZ", kDefaultPixelHeight);
        mark("APTAREA", kDefaultAperture);
        mark("EGAIN", kDefaultGain);
    }
    image.defaultFields = missing;
}

#include "image/fits_wcs_flip.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "image/fits_writer.h"

namespace {

constexpr size_t kKeyChars = 8;
constexpr size_t kValueColumn = 10;   // after "KEYWORD = "
constexpr size_t kValueChars = 20;    // fixed-format values end in column 30
constexpr int kAxes = 2;

size_t CardCount(const std::vector<char>& records) {
    size_t length = records.size();
    if (length > 0 && records.back() == '\0') --length;
    return length / kFitsCardChars;
}

std::string_view CardAt(const std::vector<char>& records, size_t index) {
    return std::string_view(records.data() + index * kFitsCardChars, kFitsCardChars);
}

// The index of the card whose keyword is key (padded to 8), or nothing.
std::optional<size_t> FindKey(const std::vector<char>& records, const std::string& key) {
    std::string padded = key;
    padded.resize(kKeyChars, ' ');
    padded += "= ";
    for (size_t i = 0; i < CardCount(records); ++i)
        if (CardAt(records, i).starts_with(padded)) return i;
    return std::nullopt;
}

std::optional<double> CardNumber(std::string_view card) {
    std::string_view value = card.substr(kValueColumn);
    value = value.substr(0, value.find('/'));
    size_t first = value.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    value.remove_prefix(first);
    if (value.front() == '+') value.remove_prefix(1);
    double number = 0.0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || !std::isfinite(number)) return std::nullopt;
    std::string_view rest = value.substr(size_t(end - value.data()));
    if (rest.find_first_not_of(' ') != std::string_view::npos) return std::nullopt;  // e.g. a 'D' exponent
    return number;
}

// The card with a new value in the fixed format; its comment is kept.
std::string WithValue(std::string_view card, double value) {
    std::string out(card.substr(0, kValueColumn));
    std::string text = FormatFitsReal(value);
    if (text.size() < kValueChars) out.append(kValueChars - text.size(), ' ');
    out += text;
    std::string_view old = card.substr(kValueColumn);
    size_t slash = old.find('/');
    if (slash != std::string_view::npos) out += " " + std::string(old.substr(slash));
    out.resize(kFitsCardChars, ' ');
    return out;
}

bool Transform(std::vector<char>& records, const std::string& key, double (*change)(double, double), double with) {
    std::optional<size_t> at = FindKey(records, key);
    if (!at) return false;
    std::optional<double> value = CardNumber(CardAt(records, *at));
    if (!value) return false;
    std::string card = WithValue(CardAt(records, *at), change(*value, with));
    card.copy(records.data() + *at * kFitsCardChars, kFitsCardChars);
    return true;
}

double Negate(double value, double) { return -value; }
double Mirror(double value, double length) { return length + 1.0 - value; }

void AppendRealCard(std::vector<char>& records, const std::string& key, double value) {
    std::string card = key;
    card.resize(kKeyChars, ' ');
    card += "= ";
    std::string text;
    ::AppendRealCard(text, card.c_str(), value);
    bool terminated = !records.empty() && records.back() == '\0';
    if (terminated) records.pop_back();
    records.insert(records.end(), text.begin(), text.end());
    if (terminated) records.push_back('\0');
}

bool HasAny(const std::vector<char>& records, const char* prefix, int axis) {
    for (int i = 1; i <= kAxes; ++i)
        if (FindKey(records, prefix + std::to_string(i) + "_" + std::to_string(axis))) return true;
    return false;
}

}  // namespace

void FlipWcsRecords(std::vector<char>& records, int axis, int length) {
    const std::string n = std::to_string(axis);
    if (!Transform(records, "CRPIX" + n, Mirror, double(length))) return;
    const bool cd = HasAny(records, "CD", 1) || HasAny(records, "CD", 2);
    const bool pc = HasAny(records, "PC", 1) || HasAny(records, "PC", 2);
    if (cd) {
        for (int i = 1; i <= kAxes; ++i) Transform(records, "CD" + std::to_string(i) + "_" + n, Negate, 0.0);
    } else if (pc) {
        for (int i = 1; i <= kAxes; ++i) {
            const std::string key = "PC" + std::to_string(i) + "_" + n;
            if (!Transform(records, key, Negate, 0.0) && i == axis) AppendRealCard(records, key, -1.0);
        }
    } else {
        Transform(records, "CDELT" + n, Negate, 0.0);
    }
}

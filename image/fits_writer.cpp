#include "image/fits_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <vector>

#include "image/image.h"
#include "platform/archive.h"
#include "platform/file_error.h"

const char* const kFitsProgramVersion = "1.14 Build 2";

namespace {

constexpr size_t kKeyFieldChars = 10;     // "NAME    = "
constexpr size_t kValueEndColumn = 30;    // comments start after column 30
constexpr size_t kMaxQuotedChars = 70;    // a quoted value never passes column 80
constexpr size_t kMinQuotedChars = 10;    // "'" + 8 characters + "'"
constexpr int kBzeroOffset = 32768;

// The writer's comments follow the value: blanks to column 30, " / ", text.
void AppendComment(std::string& card, const char* comment) {
    if (comment == nullptr)
        return;
    if (card.size() < kValueEndColumn)
        card.append(kValueEndColumn - card.size(), ' ');
    card += " / ";
    card += comment;
}

// Quotes inside a value are doubled so a reader does not end the text early.
std::string QuoteFitsText(std::string_view value) {
    std::string quoted = "'";
    for (char c : value) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    if (quoted.size() < 9)
        quoted.append(9 - quoted.size(), ' ');
    quoted += '\'';
    return quoted;
}

// Cuts a quoted value to limit characters, closing it again; a doubled quote
// split by the cut is dropped whole so the value still reads back.
void CutQuoted(std::string& quoted, size_t limit) {
    if (quoted.size() <= limit)
        return;
    quoted.resize(limit - 1);
    size_t run = 0;
    for (size_t i = quoted.size(); i > 1 && quoted[i - 1] == '\''; --i)
        ++run;
    if (run % 2 == 1)
        quoted.pop_back();
    quoted += '\'';
}

void AppendRecords(std::string& headerText, const char* records, size_t length) {
    for (size_t at = 0; at + kFitsCardChars <= length; at += kFitsCardChars)
        AppendCard(headerText, std::string_view(records + at, kFitsCardChars));
}

}  // namespace

void AppendCard(std::string& headerText, std::string_view text) {
    size_t taken = std::min(text.size(), kFitsCardChars);
    for (char c : text.substr(0, taken))
        headerText += FitsHeaderChar(c);
    headerText.append(kFitsCardChars - taken, ' ');
}

char FitsHeaderChar(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte <= 126)
        return c;
    return byte < 32 || byte == 127 ? ' ' : '?';
}

void AppendIntegerCard(std::string& headerText, const char* key, long value,
                       const char* comment) {
    char field[32];
    std::snprintf(field, sizeof field, "%20ld", value);
    std::string card = std::string(key).substr(0, kKeyFieldChars) + field;
    AppendComment(card, comment);
    AppendCard(headerText, card);
}

std::string FormatFitsReal(double value) {
    // to_chars never looks at the locale, so a decimal-comma desktop cannot
    // put a comma into a card.
    char text[48];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 12);
    if (error != std::errc())
        return "+0.000000000000E+000";
    std::string formatted(text, end);
    if (formatted[0] != '-')
        formatted.insert(0, 1, '+');
    size_t e = formatted.find('e');
    if (e == std::string::npos || e + 2 > formatted.size())
        return formatted;  // inf or nan: no exponent to widen
    formatted[e] = 'E';
    std::string digits = formatted.substr(e + 2);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return formatted.substr(0, e + 2) + digits;
}

void AppendRealCard(std::string& headerText, const char* key, double value,
                    const char* comment) {
    std::string card = std::string(key).substr(0, kKeyFieldChars) + FormatFitsReal(value);
    AppendComment(card, comment);
    AppendCard(headerText, card);
}

void AppendStringCard(std::string& headerText, const char* key, std::string_view value,
                      const char* comment) {
    size_t limit = kMaxQuotedChars;
    if (comment != nullptr) {
        size_t taken = std::char_traits<char>::length(comment) + 3;
        limit = taken + kMinQuotedChars < kMaxQuotedChars ? kMaxQuotedChars - taken
                                                          : kMinQuotedChars;
    }
    std::string quoted = QuoteFitsText(value);
    CutQuoted(quoted, limit);
    std::string card = std::string(key).substr(0, kKeyFieldChars) + quoted;
    AppendComment(card, comment);
    AppendCard(headerText, card);
}

std::string TodayFitsDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return text;
}

void BuildFitsHeader(CImage& image, const std::string& dateText) {
    std::string& text = image.fitsHeaderText;
    text.clear();
    AppendCard(text, "SIMPLE  =                    T /");
    AppendIntegerCard(text, "BITPIX  = ", 16, " ");
    AppendIntegerCard(text, "NAXIS   = ", 2, " ");
    AppendIntegerCard(text, "NAXIS1  = ", image.Width, " ");
    AppendIntegerCard(text, "NAXIS2  = ", image.Height, " ");
    AppendStringCard(text, "DATE    = ", dateText, " ");
    AppendRealCard(text, "BZERO   = ", 32768.0, " ");
    AppendRealCard(text, "BSCALE  = ", 1.0, " ");
    AppendIntegerCard(text, "BACKGRND= ", image.display.back, "BACKGROUND FOR DISPLAY");
    AppendIntegerCard(text, "RANGE   = ", image.display.range, "RANGE FOR DISPLAY");
    AppendStringCard(text, "KESLHIST= ", image.History, "IMAGE MODIFICATIONS");
    AppendRecords(text, image.fitsHistoryCards.data(), image.fitsHistoryCards.size());
    AppendCard(text, std::string("COMMENT File created by KESL Quorvane Version ") +
                         kFitsProgramVersion);
    AppendCard(text, "COMMENT KESL Internal FITS Version 04-19-02 Win");
    AppendCard(text, "COMMENT Records below preserved from original FITS file");
    if (!image.fitsRecords.empty()) {
        // Every record up to the terminator, zero bytes inside cards included.
        size_t length = image.fitsRecords.size();
        if (image.fitsRecords.back() == '\0')
            --length;
        AppendRecords(text, image.fitsRecords.data(), length);
    }
    AppendCard(text, "END");
    size_t rest = text.size() % kFitsBlockBytes;
    if (rest != 0)
        text.append(kFitsBlockBytes - rest, ' ');
}

void WriteFitsData(const CImage& image, CArchive& ar) {
    size_t width = image.Width > 0 ? size_t(image.Width) : 0;
    size_t height = image.Height > 0 ? size_t(image.Height) : 0;
    if (image.pixels.size() != width * height)
        throw CFileException(CFileException::generic, ar.GetFilePath(),
                             "The image has no pixels to save");
    std::vector<uint8_t> row(width * 2);
    for (size_t y = 0; y < height; ++y) {
        const uint16_t* source = image.pixels.data() + y * width;
        for (size_t x = 0; x < width; ++x) {
            uint16_t stored = static_cast<uint16_t>(source[x] - kBzeroOffset);
            row[2 * x] = static_cast<uint8_t>(stored >> 8);
            row[2 * x + 1] = static_cast<uint8_t>(stored & 0xFF);
        }
        if (!row.empty())
            ar.Write(row.data(), row.size());
    }
    size_t rest = (width * height * 2) % kFitsBlockBytes;
    if (rest != 0) {
        std::vector<uint8_t> zeros(kFitsBlockBytes - rest, 0);
        ar.Write(zeros.data(), zeros.size());
    }
}

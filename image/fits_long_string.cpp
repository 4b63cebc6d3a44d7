#include "image/fits_long_string.h"

#include "image/fits_writer.h"

namespace {

constexpr size_t kValueColumn = 10;      // the value starts after "NAME    = "
constexpr size_t kMaxQuoted = 70;        // columns 11 to 80
constexpr std::string_view kContinueKey = "CONTINUE  ";

size_t QuotedLength(char c) { return c == '\'' ? 2 : 1; }

// The longest piece from value, quotes doubled, that fits a card together
// with its quotes and (when more follows) the "&".
size_t PieceLength(std::string_view value) {
    size_t used = 2;  // the quotes
    size_t taken = 0;
    while (taken < value.size()) {
        const bool last = taken + 1 == value.size();
        const size_t need = QuotedLength(value[taken]) + (last ? 0 : 1);
        if (used + need > kMaxQuoted) break;
        used += QuotedLength(value[taken]);
        ++taken;
    }
    return taken;
}

std::string Quoted(std::string_view piece, bool more) {
    std::string text = "'";
    for (char c : piece) text += c == '\'' ? std::string("''") : std::string(1, c);
    if (more) text += '&';
    return text + "'";
}

// A card's string value: from the quote in column 11, doubled quotes read as
// one, trailing blanks dropped. Nothing when the card holds no string.
std::optional<std::string> StringValue(std::string_view card) {
    if (card.size() <= kValueColumn || card[kValueColumn] != '\'') return std::nullopt;
    std::string value;
    for (size_t at = kValueColumn + 1; at < card.size(); ++at) {
        if (card[at] != '\'') {
            value += card[at];
            continue;
        }
        if (at + 1 < card.size() && card[at + 1] == '\'') {
            value += '\'';
            ++at;
            continue;
        }
        while (!value.empty() && value.back() == ' ') value.pop_back();
        return value;
    }
    return std::nullopt;
}

}  // namespace

void AppendLongStringCards(std::string& cards, const char* key, std::string_view value) {
    if (PieceLength(value) == value.size()) {
        AppendStringCard(cards, key, value);
        return;
    }
    // Readers that check the convention look for its declaration.
    AppendStringCard(cards, "LONGSTRN= ", "OGIP 1.0", "The OGIP long string convention is used");
    const std::string head = std::string(key).substr(0, kValueColumn);
    bool first = true;
    while (first || !value.empty()) {
        const size_t length = PieceLength(value);
        const bool more = length < value.size();
        AppendCard(cards, (first ? head : std::string(kContinueKey)) + Quoted(value.substr(0, length), more));
        value.remove_prefix(length);
        first = false;
    }
}

std::optional<std::string> ContinuedString(const std::vector<char>& records, std::string_view keyword) {
    std::string key(keyword);
    key.resize(8, ' ');
    key += "= ";
    const size_t length = records.size() - (!records.empty() && records.back() == '\0' ? 1 : 0);
    const std::string_view text(records.data(), length);
    for (size_t at = 0; at + kFitsCardChars <= text.size(); at += kFitsCardChars) {
        if (!text.substr(at, kFitsCardChars).starts_with(key)) continue;
        std::optional<std::string> value = StringValue(text.substr(at, kFitsCardChars));
        bool continued = false;
        for (size_t next = at + kFitsCardChars; value && !value->empty() && value->back() == '&' &&
                                                next + kFitsCardChars <= text.size();
             next += kFitsCardChars) {
            const std::string_view card = text.substr(next, kFitsCardChars);
            if (!card.starts_with(kContinueKey)) break;
            const std::optional<std::string> piece = StringValue(card);
            if (!piece) break;
            value->pop_back();
            *value += *piece;
            continued = true;
        }
        return continued ? value : std::nullopt;
    }
    return std::nullopt;
}

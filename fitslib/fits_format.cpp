// Writing a keyword's value into its card in the fixed layout: value from
// column 11, numbers right-justified to column 30, strings quoted.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <locale.h>

#include "orbex_internal.h"

namespace {

constexpr int kValueColumn = 11;        // first column of a value
constexpr int kFixedEndColumn = 30;     // last column of a number or logical
constexpr int kStringMinClose = 20;     // a closing quote never stands left of this
constexpr int kStringLastChar = 79;     // characters of a string end here
constexpr int kCommentAfterNone = 9;
constexpr int kFixedWidth = 20;
constexpr double kFixedLow = 0.1;
// From here on "%#20.17G" switches to an exponent and needs more than 20
// columns, which would spill into the comment; such values use the E form.
constexpr double kFixedHigh = 1e17;

char& column(char* card, int col) { return card[col - 1]; }

// Blanks an old quoted string (a doubled quote counts as one character) so a
// shorter new value leaves no stale characters behind.
void blank_old_string(char* card) {
    if (column(card, kValueColumn) != '\'') return;
    column(card, kValueColumn) = ' ';
    for (int col = kValueColumn + 1; col <= ORBEX_CARD_CHARS; ++col) {
        const bool quote = column(card, col) == '\'';
        column(card, col) = ' ';
        if (!quote) continue;
        if (col < ORBEX_CARD_CHARS && column(card, col + 1) == '\'') {
            column(card, ++col) = ' ';
            continue;
        }
        return;
    }
}

// Right-justifies `text` (at most 20 characters) in columns 11-30.
void write_fixed(char* card, const char* text) {
    const size_t length = std::min<size_t>(std::strlen(text), kFixedWidth);
    char* field = &column(card, kValueColumn);
    std::memset(field, ' ', kFixedWidth - length);
    std::memcpy(field + kFixedWidth - length, text, length);
    column(card, kFixedEndColumn + 1) = ' ';
}

// Files always take a decimal point, whatever locale the host program adopted.
void format_real(char* text, size_t size, double value) {
    const double magnitude = std::fabs(value);
    const locale_t previous = ::uselocale(fits_clocale());
    if (value == 0.0 || (magnitude >= kFixedLow && magnitude < kFixedHigh)) {
        std::snprintf(text, size, "%#20.17G", value);
    } else {
        std::snprintf(text, size, "%20.12E", value);
    }
    ::uselocale(previous);
}

// Returns the column of the closing quote.
int write_string(char* card, const char* value) {
    column(card, kValueColumn) = '\'';
    int col = kValueColumn + 1;
    const size_t length = strnlen(value, ORBEX_TEXT_CHARS - 1);
    for (size_t i = 0; i < length; ++i) {
        const char c = value[i];
        if (c == '\'') {
            if (col + 1 > kStringLastChar) break;  // the doubled quote does not fit
            column(card, col++) = '\'';
            column(card, col++) = '\'';
        } else {
            if (col > kStringLastChar) break;
            column(card, col++) = c;
        }
    }
    while (col < kStringMinClose) column(card, col++) = ' ';
    column(card, col) = '\'';
    return col;
}

}  // namespace

int fits_formatvalue(char* card, KEYTYPE type, const VAL* val) {
    char text[64];
    switch (type) {
    case KT_LOGICAL:
        blank_old_string(card);
        write_fixed(card, val->logical ? "T" : "F");
        return kFixedEndColumn;
    case KT_INTEGER:
        blank_old_string(card);
        std::snprintf(text, sizeof text, "%d", val->integer);
        write_fixed(card, text);
        return kFixedEndColumn;
    case KT_REAL:
        blank_old_string(card);
        format_real(text, sizeof text, val->real);
        write_fixed(card, text);
        return kFixedEndColumn;
    case KT_STRING: {
        blank_old_string(card);
        // A long string pushes its comment right instead of being overwritten by it.
        const int close = write_string(card, val->text);
        return close > kFixedEndColumn ? close : kFixedEndColumn;
    }
    case KT_LONGSTRING:
        blank_old_string(card);
        write_string(card, val->text);
        return FITS_LONGSTRING_END;
    case KT_NONE:
    case KT_BLANKKEY:
    default:
        return kCommentAfterNone;
    }
}

// Turning the cards read from a file into keyword slots and values, then
// checking the mandatory keywords and the image geometry.

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <locale.h>
#include <limits>

#include "orbex_internal.h"

namespace {

constexpr int kValueColumn = 11;
constexpr int kLogicalColumn = 30;
constexpr int kMaxAxes = 4;

char column(const char* card, int col) { return card[col - 1]; }

bool has_equals(const char* card) {
    return column(card, 9) == '=' && column(card, 10) == ' ';
}

void card_keyword(const char* card, char* name) {
    int i = 0;
    for (; i < 8 && card[i] != ' '; ++i) {
        name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(card[i])));
    }
    name[i] = '\0';
}

KEYTYPE infer_type(const char* card) {
    if (!has_equals(card)) return KT_NONE;
    if (column(card, kValueColumn) == '\'') return KT_LONGSTRING;
    const char flag = column(card, kLogicalColumn);
    if (flag == 'T' || flag == 'F') return KT_LOGICAL;
    for (int col = kValueColumn; col <= kLogicalColumn; ++col) {
        if (column(card, col) == '.') return KT_REAL;
    }
    return KT_INTEGER;
}

int new_slot(FITSHEADER* hdr, const char* name, const char* card) {
    if (hdr->nkeys >= ORBEX_MAX_KEYS) return -1;
    const int index = hdr->nkeys++;
    KEYENTRY* key = &hdr->keys[index];
    std::memset(key, 0, sizeof *key);
    std::strcpy(key->name, name);
    key->repeatable = 1;
    key->type = infer_type(card);
    key->hasvalue = key->type != KT_NONE;
    return index;
}

int find_slot(const FITSHEADER* hdr, const char* name) {
    for (int s = 0; s < hdr->nkeys; ++s) {
        if (std::strcmp(hdr->keys[s].name, name) == 0) return s;
    }
    return -1;
}

// The value text from column 11 on, terminated, for the number readers.
void value_text(const char* card, char* text) {
    const int length = ORBEX_CARD_CHARS - kValueColumn + 1;
    std::memcpy(text, &card[kValueColumn - 1], static_cast<size_t>(length));
    text[length] = '\0';
}

// A number must be all of the value: after it only blanks or a comment may
// follow ("1x0" is no number, not 1). A blank value reads as 0.
bool number_ends(const char* stop) {
    while (*stop == ' ') ++stop;
    return *stop == '\0' || *stop == '/';
}

bool parse_integer(const char* card, int32_t* out) {
    char text[ORBEX_CARD_CHARS];
    value_text(card, text);
    char* stop = nullptr;
    const long long value = std::strtoll(text, &stop, 10);
    // A number beyond 32 bits is held at the nearest representable value
    // rather than wrapped into an unrelated one.
    if (value > std::numeric_limits<int32_t>::max()) *out = std::numeric_limits<int32_t>::max();
    else if (value < std::numeric_limits<int32_t>::min()) *out = std::numeric_limits<int32_t>::min();
    else *out = static_cast<int32_t>(value);
    return number_ends(stop);
}

bool parse_real(const char* card, double* out) {
    char text[ORBEX_CARD_CHARS];
    value_text(card, text);
    // FITS writers may mark a double-precision exponent with D.
    char* p = text;
    while (*p == ' ') ++p;
    for (; *p != '\0' && *p != ' ' && *p != '/'; ++p) {
        if (*p == 'D' || *p == 'd') *p = 'E';
    }
    char* stop = nullptr;
    *out = ::strtod_l(text, &stop, fits_clocale());
    return number_ends(stop);
}

uint8_t parse_logical(const char* card) {
    for (int col = kValueColumn; col <= ORBEX_CARD_CHARS; ++col) {
        const char c = column(card, col);
        if (c != ' ') return c == 'T' || c == 't';
    }
    return 0;
}

// Returns false (after warning) when column 11 holds no quote.
bool parse_string(const FITSHEADER* hdr, const KEYENTRY* key, const char* card, char* out) {
    if (column(card, kValueColumn) != '\'') {
        fits_error(FE_BAD_STRING, hdr->name, key->name);
        return false;
    }
    char value[ORBEX_CARD_CHARS];
    size_t length = 0;
    bool closed = false;
    for (int col = kValueColumn + 1; col <= ORBEX_CARD_CHARS; ++col) {
        const char c = column(card, col);
        if (c == '\'') {
            if (col < ORBEX_CARD_CHARS && column(card, col + 1) == '\'') {
                value[length++] = '\'';
                ++col;
                continue;
            }
            closed = true;
            break;
        }
        value[length++] = c;
    }
    if (!closed) {
        fits_error(FE_STRING_UNCLOSED, hdr->name, key->name);
        if (length > 0) --length;
    } else {
        while (length > 0 && value[length - 1] == ' ') --length;
    }
    if (length > ORBEX_TEXT_CHARS - 1) length = ORBEX_TEXT_CHARS - 1;
    std::memcpy(out, value, length);
    out[length] = '\0';
    return true;
}

void parse_value(FITSHEADER* hdr, KEYENTRY* key, const char* card) {
    if (!has_equals(card)) {
        fits_error(FE_NEEDS_VALUE, hdr->name, key->name);
        key->present = 0;
        return;
    }
    switch (key->type) {
    case KT_LOGICAL: key->value.logical = parse_logical(card); break;
    case KT_INTEGER:
    case KT_REAL: {
        const bool number = key->type == KT_INTEGER ? parse_integer(card, &key->value.integer)
                                                    : parse_real(card, &key->value.real);
        if (!number) {
            fits_error(FE_BAD_NUMBER, hdr->name, key->name);
            key->present = 0;
        }
        break;
    }
    case KT_STRING:
    case KT_LONGSTRING: {
        char text[ORBEX_TEXT_CHARS];
        if (!parse_string(hdr, key, card, text)) {
            key->present = 0;
            return;
        }
        std::memset(key->value.text, 0, sizeof key->value.text);
        std::strcpy(key->value.text, text);
        break;
    }
    default: break;
    }
}

void parse_card(FITSHEADER* hdr, int i) {
    const char* card = hdr->cards[i].text;
    char name[ORBEX_KEYNAME_CHARS];
    card_keyword(card, name);
    if (name[0] == '\0') return;
    int s = find_slot(hdr, name);
    if (s < 0) s = new_slot(hdr, name, card);
    if (s < 0) return;
    KEYENTRY* key = &hdr->keys[s];
    if (key->present) {
        if (!key->repeatable) fits_error(FE_DOUBLY_DEFINED, hdr->name, key->name);
        else key->repeated = 1;
    }
    key->present = 1;
    key->card = static_cast<uint16_t>(i);
    if (key->hasvalue) parse_value(hdr, key, card);
}

bool check_axes(const FITSHEADER* hdr, int naxis) {
    for (int n = naxis; n >= 1; --n) {
        if (hdr->keys[KEY_NAXIS1 + n - 1].value.integer < 1) {
            fits_error(FE_NAXIS - n, hdr->name, nullptr);
            return false;
        }
    }
    for (int n = naxis + 1; n <= kMaxAxes; ++n) {
        if (fits_present(hdr, KEY_NAXIS1 + n - 1)) {
            fits_error(FE_NAXIS - n, hdr->name, nullptr);
            return false;
        }
    }
    return true;
}

bool check_header(const FITSHEADER* hdr) {
    const int naxis = fits_intvalue(hdr, KEY_NAXIS, 0);
    for (int row = 0; row < ORBEX_KNOWN_KEYS; ++row) {
        if (fits_keytable[row].minaxes <= naxis && !hdr->keys[row].present) {
            fits_error(FE_MANDATORY, hdr->name, fits_keytable[row].name);
            return false;
        }
    }
    if (!hdr->keys[KEY_SIMPLE].value.logical) {
        fits_error(FE_SIMPLE, hdr->name, nullptr);
        return false;
    }
    const int32_t bitpix = hdr->keys[KEY_BITPIX].value.integer;
    if (fits_elementsize(bitpix) == 0 && bitpix != -64) {
        fits_error(FE_BITPIX, hdr->name, nullptr);
        return false;
    }
    if (naxis < 1 || naxis > kMaxAxes) {
        fits_error(FE_NAXIS, hdr->name, nullptr);
        return false;
    }
    return check_axes(hdr, naxis);
}

}  // namespace

bool fits_parsecards(FITSHEADER* hdr) {
    for (int i = 0; i < hdr->ncards; ++i) parse_card(hdr, i);
    return check_header(hdr);
}

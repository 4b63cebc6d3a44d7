// Keyword look-up and the operations that keep keyword slots and cards in
// step: append, modify, remove.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "orbex_internal.h"

namespace {

constexpr int kNameColumn = 1;
constexpr int kEqualsColumn = 9;
constexpr int kContinuationColumn = 10;
constexpr int kSlashAfterMax = 77;   // a "/" goes at r + 2 only while it fits
constexpr size_t kWrapLookBack = 20;

char& column(char* card, int col) { return card[col - 1]; }

bool valid_key(const FITSHEADER* hdr, int32_t key) {
    if (hdr != nullptr && key >= 0 && key < hdr->nkeys) return true;
    char extra[32];
    std::snprintf(extra, sizeof extra, "keyword index %d", key);
    fits_error(FE_FLOAT_MODIFY, hdr != nullptr ? hdr->name : nullptr, extra);
    return false;
}

void store_value(KEYENTRY* key, const VAL* val) {
    if (key->type == KT_STRING || key->type == KT_LONGSTRING) {
        std::memset(key->value.text, 0, sizeof key->value.text);
        std::memcpy(key->value.text, val->text, strnlen(val->text, ORBEX_TEXT_CHARS - 1));
    } else {
        key->value = *val;
    }
}

void rewrite_value(FITSHEADER* hdr, KEYENTRY* key, const VAL* val) {
    store_value(key, val);
    fits_formatvalue(hdr->cards[key->card].text, key->type, &key->value);
    hdr->modified = 1;
}

CARDSLOT* blank_card(FITSHEADER* hdr) {
    CARDSLOT* slot = &hdr->cards[hdr->ncards];
    slot->status = CARD_KEEP;
    std::memset(slot->text, ' ', ORBEX_CARD_CHARS);
    return slot;
}

// How many characters of `rest` go on a card with `room` columns: a long
// comment breaks at a blank near the end of the card when there is one.
size_t wrap_take(const char* rest, size_t length, size_t room) {
    if (length <= room) return length;
    for (size_t back = 0; back < kWrapLookBack && back <= room; ++back) {
        if (rest[room - back] == ' ') return room - back;
    }
    return room;
}

// Writes the comment from `start` on the card at ncards, continuing on cards
// with a blank keyword field; counts every card it fills.
bool write_comment(FITSHEADER* hdr, const char* comment, int start) {
    const size_t length = std::strlen(comment);
    size_t pos = 0;
    CARDSLOT* slot = &hdr->cards[hdr->ncards];
    for (;;) {
        const size_t room = static_cast<size_t>(std::max(0, ORBEX_CARD_CHARS - start));
        const size_t take = wrap_take(comment + pos, length - pos, room);
        if (take > 0) std::memcpy(&column(slot->text, start), comment + pos, take);
        ++hdr->ncards;
        pos += take;
        while (pos < length && comment[pos] == ' ') ++pos;
        if (pos >= length) return true;
        if (hdr->ncards == hdr->maxcards) {
            fits_error(FE_COMMENT_FULL, hdr->name, nullptr);
            return false;
        }
        slot = blank_card(hdr);
        start = kContinuationColumn;
    }
}

bool append_card(FITSHEADER* hdr, int32_t k, const VAL* val, const char* comment) {
    KEYENTRY* key = &hdr->keys[k];
    if (hdr->ncards == hdr->maxcards) {
        fits_error(FE_CARDS_FULL, hdr->name, nullptr);
        return false;
    }
    // The old card is commented out only once the new one is certain to be
    // written, so a full header never loses the keyword altogether.
    const int minaxes = k < ORBEX_KNOWN_KEYS ? fits_keytable[k].minaxes : FITS_NEVER_MANDATORY;
    if (key->present && key->hasvalue && !key->repeatable &&
        (k >= ORBEX_KNOWN_KEYS || minaxes == FITS_NEVER_MANDATORY)) {
        hdr->cards[key->card].status = CARD_COMMENTOUT;
    }
    if (key->present && key->repeatable) key->repeated = 1;
    key->present = 1;
    key->card = hdr->ncards;
    CARDSLOT* slot = blank_card(hdr);
    if (key->type != KT_BLANKKEY) {
        std::memcpy(&column(slot->text, kNameColumn), key->name, strnlen(key->name, 8));
    }
    int start = kContinuationColumn;
    if (key->hasvalue) {
        column(slot->text, kEqualsColumn) = '=';
        store_value(key, val);
        const int r = fits_formatvalue(slot->text, key->type, &key->value);
        if (comment == nullptr) {
            ++hdr->ncards;
            hdr->modified = 1;
            return true;
        }
        if (r <= kSlashAfterMax) column(slot->text, r + 2) = '/';
        start = r + 3;
    } else if (comment == nullptr) {
        ++hdr->ncards;
        return true;
    }
    if (!write_comment(hdr, comment, start)) return false;
    hdr->modified = 1;
    return true;
}

}  // namespace

KEYFIND fits_keyfind(const char* name) {
    KEYFIND result{};
    if (name == nullptr) return result;
    for (int row = 0; row < ORBEX_KNOWN_KEYS; ++row) {
        if (std::strcmp(fits_keytable[row].name, name) == 0) {
            result.found = 1;
            result.type = fits_keytable[row].type;
            result.index = row;
            return result;
        }
    }
    return result;
}

KEYFIND fits_anykeyfind(const FITSHEADER* hdr, const char* name) {
    KEYFIND result{};
    if (hdr == nullptr || name == nullptr) return result;
    for (int slot = 0; slot < hdr->nkeys; ++slot) {
        if (std::strncmp(hdr->keys[slot].name, name, ORBEX_KEYNAME_CHARS) == 0) {
            result.found = 1;
            result.type = hdr->keys[slot].type;
            result.index = slot;
            return result;
        }
    }
    return result;
}

int32_t fits_keyinsert(FITSHEADER* hdr, const char* name, KEYTYPE type) {
    if (hdr == nullptr || name == nullptr || hdr->nkeys >= ORBEX_MAX_KEYS) return -1;
    const int32_t index = hdr->nkeys;
    KEYENTRY* key = &hdr->keys[index];
    std::memset(key, 0, sizeof *key);
    std::memcpy(key->name, name, strnlen(name, ORBEX_KEYNAME_CHARS - 1));
    key->repeatable = 1;
    key->hasvalue = type != KT_NONE && type != KT_BLANKKEY;
    key->type = type;
    ++hdr->nkeys;
    return index;
}

bool fits_append(FITSHEADER* hdr, int32_t k, const VAL* val, const char* comment) {
    if (!valid_key(hdr, k)) return false;
    KEYENTRY* key = &hdr->keys[k];
    if (comment == nullptr && k < ORBEX_KNOWN_KEYS) comment = fits_keytable[k].comment;
    if (comment != nullptr && comment[0] == '\0') comment = nullptr;

    if (k == KEY_NAXIS && key->present) {
        if (!fits_setnaxis(hdr, val)) return false;
        hdr->modified = 1;
        return true;
    }
    if (k < ORBEX_KNOWN_KEYS && key->present && fits_keytable[k].hasvalue &&
        fits_keytable[k].minaxes <= hdr->keys[KEY_NAXIS].value.integer) {
        rewrite_value(hdr, key, val);
        return true;
    }
    return append_card(hdr, k, val, comment);
}

bool fits_modify(FITSHEADER* hdr, int32_t k, const VAL* val) {
    if (!valid_key(hdr, k)) return false;
    KEYENTRY* key = &hdr->keys[k];
    if (!key->hasvalue) {
        fits_error(FE_MODIFY_NOVALUE, hdr->name, key->name);
        return false;
    }
    if (k == KEY_NAXIS && key->present) return fits_setnaxis(hdr, val);
    if (key->present) {
        rewrite_value(hdr, key, val);
        return true;
    }
    return fits_append(hdr, k, val, nullptr);
}

void fits_remove(FITSHEADER* hdr, int32_t k, bool commentout) {
    if (hdr == nullptr || k < 0 || k >= hdr->nkeys) return;
    KEYENTRY* key = &hdr->keys[k];
    if (key->present) hdr->cards[key->card].status = commentout ? CARD_COMMENTOUT : CARD_DROP;
    key->present = 0;
    key->repeated = 0;
}

// Changing NAXIS: the NAXISn cards follow NAXIS directly, so growing or
// shrinking the axis count opens or closes a gap in the card array.

#include <cstdio>
#include <cstring>

#include "orbex_internal.h"

namespace {

constexpr int kMaxAxes = 4;
constexpr int kFirstAxisCard = 3;  // SIMPLE, BITPIX, NAXIS come first
constexpr int kEqualsColumn = 9;

void blank(CARDSLOT* slot) {
    slot->status = CARD_KEEP;
    std::memset(slot->text, ' ', ORBEX_CARD_CHARS);
}

// Keyword slots follow their cards by card position, so the header stays
// consistent whatever order its cards came in.
void renumber(FITSHEADER* hdr, int from, int delta) {
    for (int s = 0; s < hdr->nkeys; ++s) {
        KEYENTRY* key = &hdr->keys[s];
        if (key->present && key->card >= from) key->card = static_cast<uint16_t>(key->card + delta);
    }
}

void forget_range(FITSHEADER* hdr, int first, int end) {
    for (int s = 0; s < hdr->nkeys; ++s) {
        KEYENTRY* key = &hdr->keys[s];
        if (key->present && key->card >= first && key->card < end) {
            key->present = 0;
            key->repeated = 0;
        }
    }
}

void add_axis_card(FITSHEADER* hdr, int axis) {
    const int position = axis + 2;
    KEYENTRY* key = &hdr->keys[KEY_NAXIS1 + axis - 1];
    // An axis card that already stood elsewhere would otherwise be written twice.
    if (key->present && key->card != position) hdr->cards[key->card].status = CARD_DROP;
    CARDSLOT* slot = &hdr->cards[position];
    char name[8];
    std::snprintf(name, sizeof name, "NAXIS%d", axis);
    std::memcpy(slot->text, name, 6);
    slot->text[kEqualsColumn - 1] = '=';
    key->present = 1;
    key->repeated = 0;
    key->card = static_cast<uint16_t>(position);
    key->value.integer = 1;
    fits_formatvalue(slot->text, key->type, &key->value);
}

}  // namespace

bool fits_shiftcards(FITSHEADER* hdr, int from, int to) {
    const int delta = to - from;
    if (delta == 0) return true;
    if (from > hdr->ncards || to < 0) {
        fits_error(FE_FLOAT_MODIFY, hdr->name, "NAXIS");
        return false;
    }
    const size_t moved = static_cast<size_t>(hdr->ncards - from) * sizeof(CARDSLOT);
    if (delta > 0) {
        if (hdr->ncards + delta > hdr->maxcards) {
            fits_error(FE_CARDS_FULL, hdr->name, nullptr);
            return false;
        }
        std::memmove(&hdr->cards[to], &hdr->cards[from], moved);
        for (int i = from; i < to; ++i) blank(&hdr->cards[i]);
        renumber(hdr, from, delta);
    } else {
        forget_range(hdr, to, from);
        std::memmove(&hdr->cards[to], &hdr->cards[from], moved);
        renumber(hdr, from, delta);
    }
    hdr->ncards = static_cast<uint16_t>(hdr->ncards + delta);
    return true;
}

bool fits_setnaxis(FITSHEADER* hdr, const VAL* val) {
    KEYENTRY* naxis = &hdr->keys[KEY_NAXIS];
    const int old = naxis->value.integer;
    const int wanted = val->integer;
    // Only NAXIS1..NAXIS4 have names and slots; anything else is refused.
    if (wanted < 0 || wanted > kMaxAxes || old < 0 || old > kMaxAxes) {
        fits_error(FE_NAXIS, hdr->name, nullptr);
        return false;
    }
    if (!naxis->present || naxis->card >= old + kFirstAxisCard) {
        fits_error(FE_FLOAT_MODIFY, hdr->name, "NAXIS");
        return false;
    }
    if (!fits_shiftcards(hdr, old + kFirstAxisCard, wanted + kFirstAxisCard)) return false;
    for (int axis = old + 1; axis <= wanted; ++axis) add_axis_card(hdr, axis);
    naxis->value.integer = wanted;
    fits_formatvalue(hdr->cards[naxis->card].text, naxis->type, &naxis->value);
    return true;
}

// Creating, copying, resizing and releasing header records, and the small
// accessors the other files share.

#include <cstdlib>
#include <cstring>
#include <limits>

#include <locale.h>

#include "orbex_internal.h"

namespace {

constexpr int kMaxCardSlots = std::numeric_limits<uint16_t>::max();

void init_known_slot(KEYENTRY* key, int row) {
    const FITSKEYROW& info = fits_keytable[row];
    std::strncpy(key->name, info.name, ORBEX_KEYNAME_CHARS - 1);
    key->repeatable = info.repeatable;
    key->hasvalue = info.hasvalue;
    key->type = info.type;
    fits_zerovalue(key);
    if (row >= KEY_NAXIS1 && row <= KEY_NAXIS4) key->value.integer = 1;
}

}  // namespace

size_t fits_recordbytes(int maxcards) {
    return sizeof(FITSHEADER) + static_cast<size_t>(maxcards) * sizeof(CARDSLOT);
}

void fits_zerovalue(KEYENTRY* key) {
    std::memset(&key->value, 0, sizeof key->value);
}

FITSHEADER* fits_newrecord(int maxcards) {
    if (maxcards < 0 || maxcards > kMaxCardSlots) return nullptr;
    auto* hdr = static_cast<FITSHEADER*>(std::calloc(1, fits_recordbytes(maxcards)));
    if (hdr == nullptr) return nullptr;
    for (int row = 0; row < ORBEX_KNOWN_KEYS; ++row) init_known_slot(&hdr->keys[row], row);
    hdr->nkeys = ORBEX_KNOWN_KEYS;
    hdr->maxcards = static_cast<uint16_t>(maxcards);
    return hdr;
}

FITSHEADER* fits_resizerecord(FITSHEADER* hdr, int maxcards) {
    if (maxcards < hdr->ncards || maxcards > kMaxCardSlots) return nullptr;
    const int old = hdr->maxcards;
    auto* grown = static_cast<FITSHEADER*>(std::realloc(hdr, fits_recordbytes(maxcards)));
    if (grown == nullptr) return nullptr;
    if (maxcards > old) {
        std::memset(&grown->cards[old], 0, static_cast<size_t>(maxcards - old) * sizeof(CARDSLOT));
    }
    grown->maxcards = static_cast<uint16_t>(maxcards);
    return grown;
}

bool fits_pathfits(const char* path) {
    return path != nullptr && std::strlen(path) <= static_cast<size_t>(FITS_NAME_MAX);
}

// A path that does not fit is refused rather than cut: a cut path names a
// different file, which a later read or write would then silently use.
bool fits_storename(FITSHEADER* hdr, const char* path) {
    if (!fits_pathfits(path)) return false;
    std::strcpy(hdr->name, path);
    return true;
}

bool fits_present(const FITSHEADER* hdr, int key) {
    return key >= 0 && key < hdr->nkeys && hdr->keys[key].present;
}

int32_t fits_intvalue(const FITSHEADER* hdr, int key, int32_t absent) {
    return fits_present(hdr, key) ? hdr->keys[key].value.integer : absent;
}

double fits_realvalue(const FITSHEADER* hdr, int key, double absent) {
    return fits_present(hdr, key) ? hdr->keys[key].value.real : absent;
}

int fits_elementsize(int32_t bitpix) {
    switch (bitpix) {
    case 8: return 1;
    case 16: return 2;
    case 32: return 4;
    case -32: return 4;
    default: return 0;
    }
}

bool fits_pixelcount(const FITSHEADER* hdr, uint64_t element, int overflow_code, uint64_t* count) {
    const int naxis = fits_intvalue(hdr, KEY_NAXIS, 0);
    // Nothing may be larger than what a byte count can address.
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t product = element == 0 ? 1 : element;
    for (int axis = 1; axis <= 4; ++axis) {
        const int key = KEY_NAXIS1 + axis - 1;
        if (axis > naxis || !fits_present(hdr, key)) continue;
        const int32_t length = hdr->keys[key].value.integer;
        if (length < 1) {
            fits_error(FE_NAXIS1 - (axis - 1), hdr->name, nullptr);
            return false;
        }
        if (product > limit / static_cast<uint64_t>(length)) {
            fits_error(overflow_code, hdr->name, nullptr);
            return false;
        }
        product *= static_cast<uint64_t>(length);
    }
    *count = element == 0 ? product : product / element;
    return true;
}

FITSHEADER* p_fits_copy(const FITSHEADER* hdr) {
    if (hdr == nullptr) return nullptr;
    const size_t bytes = fits_recordbytes(hdr->maxcards);
    auto* copy = static_cast<FITSHEADER*>(std::malloc(bytes));
    if (copy != nullptr) std::memcpy(copy, hdr, bytes);
    return copy;
}

FITSHEADER* p_fits_resize(FITSHEADER* hdr, int32_t extra) {
    if (hdr == nullptr || extra < 0) return nullptr;
    return fits_resizerecord(hdr, hdr->ncards + extra);
}

void fits_close(FITSHEADER* hdr) {
    std::free(hdr);
}

locale_t fits_clocale() {
    // Made once and kept: numbers in files never follow the process locale.
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c != static_cast<locale_t>(nullptr) ? c : LC_GLOBAL_LOCALE;
}

// Opening a FITS file: recognising plain or packed, reading the cards up to
// END, and handing them to the header parse.

#include <algorithm>
#include <cstring>
#include <limits>

#include "orbex_internal.h"

namespace {

constexpr int kSignatureBytes = 7;
constexpr const char kPlainSignature[] = "SIMPLE ";
constexpr const char kPackedSignature[] = "SIMPLE";
constexpr int kInitialCards = 10;
constexpr int kMaxCardSlots = std::numeric_limits<uint16_t>::max();
constexpr uint8_t kRunBase = 128;

bool is_end_card(const char* card) {
    return std::memcmp(card, "END     ", 8) == 0;
}

// Grows by half again (at least the usual 10 slots) so a header of
// thousands of cards is not copied thousands of times while it is read.
FITSHEADER* grow_cards(FITSHEADER* hdr) {
    if (hdr->maxcards >= kMaxCardSlots) return nullptr;
    const int wanted = std::max<int>(hdr->maxcards + FITS_CARD_GROWTH, hdr->maxcards * 3 / 2);
    return fits_resizerecord(hdr, std::min(wanted, kMaxCardSlots));
}

bool read_signature(FILE* file, const char* path, bool* packed) {
    char head[kSignatureBytes];
    if (std::fread(head, 1, kSignatureBytes, file) != kSignatureBytes) {
        fits_error(FE_OPEN_SHORT, path, nullptr);
        return false;
    }
    if (std::memcmp(head, kPlainSignature, kSignatureBytes) == 0) {
        *packed = false;
    } else if (std::memcmp(head, kPackedSignature, 6) == 0 &&
               static_cast<uint8_t>(head[6]) == FITS_PACKED_SIGNATURE) {
        *packed = true;
    } else {
        fits_error(FE_OPEN_SIGNATURE, path, nullptr);
        return false;
    }
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        fits_error(FE_OPEN_FILE, path, nullptr);
        return false;
    }
    return true;
}

// Reads cards until END; returns the record, possibly moved, or null after
// reporting (the record is released then).
FITSHEADER* read_cards(FITSHEADER* hdr, FILE* file) {
    for (;;) {
        if (hdr->ncards == hdr->maxcards) {
            FITSHEADER* grown = grow_cards(hdr);
            if (grown == nullptr) {
                fits_error(FE_OPEN_GROW, hdr->name, nullptr);
                fits_close(hdr);
                return nullptr;
            }
            hdr = grown;
        }
        CARDSLOT* slot = &hdr->cards[hdr->ncards];
        const int bytes = fits_readcard(file, hdr->packed, slot, hdr->name);
        if (bytes == 0) {
            fits_close(hdr);
            return nullptr;
        }
        hdr->dataoffset += bytes;
        if (is_end_card(slot->text)) return hdr;
        slot->status = CARD_KEEP;
        ++hdr->ncards;
    }
}

}  // namespace

int fits_readcard(FILE* file, bool packed, CARDSLOT* slot, const char* name) {
    if (!packed) {
        if (std::fread(slot->text, 1, ORBEX_CARD_CHARS, file) != ORBEX_CARD_CHARS) {
            fits_error(FE_PLAIN_CARD_SHORT, name, nullptr);
            return 0;
        }
        return ORBEX_CARD_CHARS;
    }
    int consumed = 0;
    int col = 0;
    while (col < ORBEX_CARD_CHARS) {
        const int byte = std::getc(file);
        if (byte == EOF) {
            fits_error(FE_PACKED_CARD_EOF, name, nullptr);
            return 0;
        }
        ++consumed;
        if (byte < kRunBase) {
            slot->text[col++] = static_cast<char>(byte);
            continue;
        }
        const int run = byte - kRunBase;
        if (col + run > ORBEX_CARD_CHARS) {
            fits_error(FE_PACKED_CARD_LONG, name, nullptr);
            return 0;
        }
        std::memset(slot->text + col, ' ', static_cast<size_t>(run));
        col += run;
    }
    return consumed;
}

FITSHEADER* p_fits_open(const char* path, int32_t extra) {
    if (!fits_pathfits(path)) {
        fits_error(FE_OPEN_FILE, path, nullptr);
        return nullptr;
    }
    FITSHEADER* hdr = fits_newrecord(kInitialCards);
    if (hdr == nullptr) {
        fits_error(FE_OPEN_ALLOC, path, nullptr);
        return nullptr;
    }
    fits_storename(hdr, path);
    {
        FitsFile file(fits_openregular(path, FE_OPEN_FILE));
        if (!file) {
            fits_close(hdr);
            return nullptr;
        }
        bool packed = false;
        if (!read_signature(file.get(), path, &packed)) {
            fits_close(hdr);
            return nullptr;
        }
        hdr->packed = packed;
        hdr = read_cards(hdr, file.get());
        if (hdr == nullptr) return nullptr;
    }
    const int unit = hdr->packed ? FITS_PACKED_ALIGN : FITS_BLOCK;
    hdr->dataoffset = (hdr->dataoffset + unit - 1) / unit * unit;

    const int64_t wanted = int64_t{hdr->ncards} + extra;
    FITSHEADER* sized = extra < 0 || wanted > kMaxCardSlots
                            ? nullptr
                            : fits_resizerecord(hdr, static_cast<int>(wanted));
    if (sized == nullptr) {
        fits_error(FE_OPEN_RESIZE, hdr->name, nullptr);
        fits_close(hdr);
        return nullptr;
    }
    hdr = sized;
    // A packed file's CHECKSUM covers its cards: a damaged header is refused
    // here, damaged pixels when they are read.
    if (!fits_parsecards(hdr) || (hdr->packed && !fits_checkheadersum(hdr))) {
        fits_close(hdr);
        return nullptr;
    }
    return hdr;
}

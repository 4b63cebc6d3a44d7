// Writing a header: the cards in order, commented-out cards rewritten as
// commentary, END, and the padding; plain or run-length packed.

#include <cerrno>
#include <cstring>

#include "orbex_internal.h"

namespace {

constexpr int kCommentMarkColumn = 9;
constexpr uint8_t kRunBase = 128;  // a byte 128 + k stands for k blanks
constexpr uint8_t kCharMask = 0x7F;

char& column(char* card, int col) { return card[col - 1]; }
char column(const char* card, int col) { return card[col - 1]; }
const char* at(const char* card, int col) { return card + col - 1; }

bool blank_columns(const char* card, int first, int last) {
    for (int col = first; col <= last; ++col) {
        if (column(card, col) != ' ') return false;
    }
    return true;
}

// Copies old[first..last] to the new card from column `to`.
void move_columns(char* out, int to, const char* old, int first, int last) {
    std::memcpy(&column(out, to), at(old, first), static_cast<size_t>(last - first + 1));
}

struct CardWriter {
    FITSHEADER* hdr;
    FILE* file;
    bool packed;

    bool put(const char* card) {
        if (!packed) {
            if (std::fwrite(card, 1, ORBEX_CARD_CHARS, file) != ORBEX_CARD_CHARS) {
                fits_error(FE_PUT_PLAIN_CARD, hdr->name, nullptr);
                return false;
            }
            hdr->dataoffset += ORBEX_CARD_CHARS;
            return true;
        }
        uint8_t coded[ORBEX_CARD_CHARS];
        size_t length = 0;
        for (int i = 0; i < ORBEX_CARD_CHARS;) {
            if (card[i] != ' ') {
                coded[length++] = static_cast<uint8_t>(card[i++]) & kCharMask;
                continue;
            }
            int run = 0;
            while (i < ORBEX_CARD_CHARS && card[i] == ' ') ++run, ++i;
            coded[length++] = static_cast<uint8_t>(kRunBase + run);
        }
        if (std::fwrite(coded, 1, length, file) != length) {
            fits_error(FE_PUT_PACKED_CARD, hdr->name, nullptr);
            return false;
        }
        hdr->dataoffset += static_cast<int32_t>(length);
        return true;
    }

    // A dropped keyword's old card stays readable as commentary after a "*".
    bool put_commented(const char* old) {
        char first[ORBEX_CARD_CHARS];
        char second[ORBEX_CARD_CHARS];
        std::memset(first, ' ', sizeof first);
        std::memset(second, ' ', sizeof second);
        column(first, kCommentMarkColumn) = '*';
        if (blank_columns(old, 10, 18)) {
            move_columns(first, 10, old, 1, 9);
            move_columns(first, 19, old, 19, 80);
            return put(first);
        }
        if (blank_columns(old, 72, 80)) {
            move_columns(first, 10, old, 1, 71);
            return put(first);
        }
        if (column(old, 9) == '=') {
            move_columns(first, 10, old, 1, 10);
            move_columns(second, 11, old, 11, 80);
        } else {
            move_columns(first, 10, old, 1, 8);
            move_columns(second, 9, old, 9, 80);
        }
        return put(first) && put(second);
    }

    bool pad() {
        const int unit = packed ? FITS_PACKED_ALIGN : FITS_BLOCK;
        const int rest = hdr->dataoffset % unit;
        if (rest == 0) return true;
        const size_t count = static_cast<size_t>(unit - rest);
        char blanks[FITS_BLOCK];
        std::memset(blanks, ' ', count);
        if (std::fwrite(blanks, 1, count, file) != count) {
            fits_error(packed ? FE_PUT_PACKED_PAD : FE_PUT_PLAIN_PAD, hdr->name, nullptr);
            return false;
        }
        hdr->dataoffset += static_cast<int32_t>(count);
        return true;
    }
};

}  // namespace

bool fits_putheader(FITSHEADER* hdr, FILE* file, bool packed) {
    hdr->dataoffset = 0;
    hdr->packed = packed;
    CardWriter writer{hdr, file, packed};
    for (int i = 0; i < hdr->ncards; ++i) {
        const CARDSLOT& slot = hdr->cards[i];
        if (slot.status == CARD_DROP) continue;
        const bool ok = slot.status == CARD_COMMENTOUT ? writer.put_commented(slot.text)
                                                       : writer.put(slot.text);
        if (!ok) return false;
    }
    char end[ORBEX_CARD_CHARS];
    std::memset(end, ' ', sizeof end);
    std::memcpy(end, "END", 3);
    return writer.put(end) && writer.pad();
}

bool fits_put(FITSHEADER* hdr, const char* path, bool packed) {
    if (hdr == nullptr) return false;
    if (!fits_storename(hdr, path)) {
        fits_save_error(FE_PUT_OPEN, path, ENAMETOOLONG);
        return false;
    }
    FitsSaveFile file;
    if (!file.open(path)) {
        fits_save_error(FE_PUT_OPEN, hdr->name, errno);
        return false;
    }
    if (!fits_putheader(hdr, file.stream(), packed)) return false;
    if (!file.commit()) {
        fits_save_error(packed ? FE_PUT_PACKED_PAD : FE_PUT_PLAIN_PAD, hdr->name, errno);
        return false;
    }
    return true;
}

// The FITS checksum convention: DATASUM is the ones' complement sum of the
// data as 32-bit big-endian words, CHECKSUM a 16-character text chosen so
// that the whole HDU sums to negative zero. A packed file carries the sums of
// the plain file it stands for (its cards written out as 80-byte records and
// its pixels in plain form), so damage anywhere in the packed bytes that
// changes a card or a pixel is found, and the cards stay true for the plain
// file the packed one unpacks to.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "orbex_internal.h"

namespace {

constexpr char kChecksumKey[] = "CHECKSUM";
constexpr char kDatasumKey[] = "DATASUM";
constexpr char kZeroChecksum[] = "0000000000000000";
constexpr int kChecksumChars = 16;
constexpr uint32_t kNegativeZero = 0xFFFFFFFFu;
constexpr int kExtraSlots = 2;

uint32_t fold(uint64_t acc) {
    while (acc >> 32) acc = (acc & 0xFFFFFFFFu) + (acc >> 32);
    return static_cast<uint32_t>(acc);
}

// Slot of a keyword this file keeps by name (outside the known-keyword table).
KEYENTRY* string_slot(FITSHEADER* hdr, const char* name) {
    const KEYFIND found = fits_anykeyfind(hdr, name);
    if (!found.found) return nullptr;
    KEYENTRY* key = &hdr->keys[found.index];
    return key->present && (key->type == KT_STRING || key->type == KT_LONGSTRING) ? key : nullptr;
}

// The header as a plain file holds it: the cards, END and blank records.
// A packed header stores 7-bit characters, so `sevenbit` clears the top bits.
bool header_sum(FITSHEADER* hdr, bool sevenbit, uint32_t* sum) {
    char* data = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&data, &size);
    if (memory == nullptr) return false;
    const int32_t offset = hdr->dataoffset;
    const uint8_t packed = hdr->packed;
    const bool ok = fits_putheader(hdr, memory, false);
    hdr->dataoffset = offset;
    hdr->packed = packed;
    std::fclose(memory);
    if (ok) {
        if (sevenbit) {
            for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(data[i] & 0x7F);
        }
        FitsSum total;
        total.add(reinterpret_cast<const uint8_t*>(data), size);
        *sum = total.value();
    }
    std::free(data);
    return ok;
}

bool set_text(FITSHEADER* hdr, const char* name, const char* text, const char* comment) {
    VAL value{};
    std::snprintf(value.text, sizeof value.text, "%s", text);
    const KEYFIND found = fits_anykeyfind(hdr, name);
    int slot = found.found ? found.index : fits_keyinsert(hdr, name, KT_STRING);
    if (slot < 0) return false;
    if (hdr->keys[slot].present) return fits_modify(hdr, slot, &value);
    return fits_append(hdr, slot, &value, comment);
}

}  // namespace

void FitsSum::add(const uint8_t* bytes, size_t count) {
    size_t i = 0;
    // Finish a word begun by an earlier call.
    while (have_ != 0 && i < count) {
        part_ = part_ << 8 | bytes[i++];
        if (++have_ == 4) {
            acc_ += part_;
            part_ = 0;
            have_ = 0;
        }
    }
    for (; i + 4 <= count; i += 4) {
        acc_ += uint32_t{bytes[i]} << 24 | uint32_t{bytes[i + 1]} << 16 | uint32_t{bytes[i + 2]} << 8 |
                bytes[i + 3];
        if (acc_ >> 62) acc_ = fold(acc_);
    }
    for (; i < count; ++i, ++have_) part_ = part_ << 8 | bytes[i];
}

void FitsSum::add_machine(const void* values, size_t bytes, int element) {
    if (element == 1) {
        add(static_cast<const uint8_t*>(values), bytes);
        return;
    }
    uint8_t buffer[FITS_CONVERT_BUFFER];
    const auto* in = static_cast<const uint8_t*>(values);
    for (size_t done = 0; done < bytes;) {
        const size_t piece = std::min(bytes - done, sizeof buffer);
        fits_swapcopy(buffer, in + done, piece, element);
        add(buffer, piece);
        done += piece;
    }
}

uint32_t FitsSum::value() const {
    uint64_t acc = acc_;
    if (have_ != 0) acc += uint64_t{part_} << (8 * (4 - have_));  // zero padding follows
    return fold(acc);
}

uint32_t fits_sumadd(uint32_t a, uint32_t b) { return fold(uint64_t{a} + b); }

void fits_checksum_encode(uint32_t sum, char* out) {
    static const uint8_t exclude[] = {0x3a, 0x3b, 0x3c, 0x3d, 0x3e, 0x3f, 0x40,
                                      0x5b, 0x5c, 0x5d, 0x5e, 0x5f, 0x60};
    const uint32_t value = ~sum;
    char ascii[kChecksumChars];
    for (int i = 0; i < 4; ++i) {
        const int byte = static_cast<int>(value >> (24 - 8 * i) & 0xFF);
        int ch[4];
        for (int& c : ch) c = byte / 4 + '0';
        ch[0] += byte % 4;
        // Keep to letters and digits: move pairs off the punctuation codes.
        for (bool moved = true; moved;) {
            moved = false;
            for (uint8_t bad : exclude) {
                for (int j = 0; j < 4; j += 2) {
                    if (ch[j] == bad || ch[j + 1] == bad) {
                        ++ch[j];
                        --ch[j + 1];
                        moved = true;
                    }
                }
            }
        }
        for (int j = 0; j < 4; ++j) ascii[4 * j + i] = static_cast<char>(ch[j]);
    }
    // The text starts in column 12, one byte before a word boundary.
    for (int i = 0; i < kChecksumChars; ++i) out[i] = ascii[(i + kChecksumChars - 1) % kChecksumChars];
}

FITSHEADER* fits_withchecksums(const FITSHEADER* hdr, uint32_t datasum, bool sevenbit) {
    FITSHEADER* copy = p_fits_copy(hdr);
    FITSHEADER* sized = copy != nullptr ? p_fits_resize(copy, kExtraSlots) : nullptr;
    if (sized == nullptr) {
        fits_close(copy);
        fits_error(FE_FLOAT_COPY, hdr->name, nullptr);
        return nullptr;
    }
    copy = sized;
    // Comments after " / " as most writers lay them out; checkers that
    // re-render the CHECKSUM card while verifying then see these very bytes.
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(datasum));
    uint32_t sum = 0;
    char text[kChecksumChars + 1] = {};
    const bool ok = set_text(copy, kDatasumKey, digits, " data unit checksum") &&
                    set_text(copy, kChecksumKey, kZeroChecksum, " HDU checksum") &&
                    header_sum(copy, sevenbit, &sum);
    if (ok) fits_checksum_encode(fits_sumadd(sum, datasum), text);
    if (!ok || !set_text(copy, kChecksumKey, text, nullptr)) {
        fits_error(FE_FLOAT_MODIFY, hdr->name, kChecksumKey);
        fits_close(copy);
        return nullptr;
    }
    return copy;
}

bool fits_haschecksums(const FITSHEADER* hdr) {
    auto* h = const_cast<FITSHEADER*>(hdr);
    return string_slot(h, kChecksumKey) != nullptr || string_slot(h, kDatasumKey) != nullptr;
}

FitsDatasum fits_expecteddatasum(FITSHEADER* hdr, uint32_t* sum) {
    const KEYENTRY* key = string_slot(hdr, kDatasumKey);
    if (key == nullptr) return FitsDatasum::absent;
    const char* text = key->value.text;
    const char* end = text + std::strlen(text);
    while (text < end && *text == ' ') ++text;
    unsigned long long value = 0;
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || value > kNegativeZero) return FitsDatasum::bad;
    *sum = static_cast<uint32_t>(value);
    return FitsDatasum::given;
}

bool fits_checkheadersum(FITSHEADER* hdr) {
    if (string_slot(hdr, kChecksumKey) == nullptr) return true;
    uint32_t datasum = 0;
    const FitsDatasum given = fits_expecteddatasum(hdr, &datasum);
    if (given == FitsDatasum::absent) return true;  // the HDU sum needs the data's
    uint32_t sum = 0;
    if (given == FitsDatasum::given && header_sum(hdr, false, &sum) &&
        fits_sumadd(sum, datasum) == kNegativeZero)
        return true;
    fits_error(FE_CHECKSUM, hdr->name, given == FitsDatasum::bad ? kDatasumKey : kChecksumKey);
    return false;
}

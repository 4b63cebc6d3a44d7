// Reading the data array into floats: BZERO/BSCALE, undefined pixels,
// saturation marks, then the header rewritten to describe float data.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

#include "fits_data.h"
#include "orbex_internal.h"

namespace {

struct Conversion {
    double bzero = 0.0;
    double bscale = 1.0;
    bool scaling = false;
    bool hasblank = false;
    int64_t blankraw = 0;
    bool marking = false;
    double saturate = 0.0;
    float blank = 0.0f;
};

template <typename T, bool BigEndian>
inline T load(const uint8_t* p) {
    if constexpr (sizeof(T) == 1) {
        return static_cast<T>(*p);
    } else if constexpr (sizeof(T) == 2) {
        uint16_t bits;
        std::memcpy(&bits, p, 2);
        if (BigEndian) bits = __builtin_bswap16(bits);
        T value;
        std::memcpy(&value, &bits, 2);
        return value;
    } else {
        uint32_t bits;
        std::memcpy(&bits, p, 4);
        if (BigEndian) bits = __builtin_bswap32(bits);
        T value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
}

template <typename T>
inline bool undefined_float(T value) {
    if constexpr (std::is_same_v<T, float>) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return (bits & 0x7F800000u) == 0x7F800000u;  // not a number or infinite
    } else {
        return false;
    }
}

// The conditions are tested once per call so the common cases run as plain
// loops the compiler can vectorise.
template <typename T, bool BigEndian>
void convert(const uint8_t* src, float* dst, size_t count, const Conversion& c) {
    constexpr size_t size = sizeof(T);
    const bool isfloat = std::is_same_v<T, float>;
    if (!c.hasblank && !c.marking && !isfloat) {
        if (!c.scaling) {
            for (size_t i = 0; i < count; ++i) dst[i] = static_cast<float>(load<T, BigEndian>(src + i * size));
        } else {
            for (size_t i = 0; i < count; ++i) {
                dst[i] = static_cast<float>(c.bzero + c.bscale * static_cast<double>(load<T, BigEndian>(src + i * size)));
            }
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const T raw = load<T, BigEndian>(src + i * size);
        if ((c.hasblank && !isfloat && static_cast<int64_t>(raw) == c.blankraw) || undefined_float(raw)) {
            dst[i] = c.blank;
        } else if (c.marking && static_cast<double>(raw) == c.saturate) {
            dst[i] = FITS_FLOAT_MAX;
        } else if (c.scaling || c.hasblank || c.marking) {
            dst[i] = static_cast<float>(c.bzero + c.bscale * static_cast<double>(raw));
        } else {
            dst[i] = static_cast<float>(raw);
        }
    }
}

template <bool BigEndian>
void convert_any(int32_t bitpix, const uint8_t* src, float* dst, size_t count, const Conversion& c) {
    switch (bitpix) {
    case 8: convert<uint8_t, BigEndian>(src, dst, count, c); break;
    case 16: convert<int16_t, BigEndian>(src, dst, count, c); break;
    case 32: convert<int32_t, BigEndian>(src, dst, count, c); break;
    default: convert<float, BigEndian>(src, dst, count, c); break;
    }
}

Conversion prepare(const FITSHEADER* hdr, bool mark, float blank, float* saturation) {
    Conversion c;
    c.bzero = hdr->keys[KEY_BZERO].value.real;
    c.bscale = fits_realvalue(hdr, KEY_BSCALE, 1.0);
    c.scaling = c.bzero != 0.0 || c.bscale != 1.0;
    const bool hassaturate = fits_present(hdr, KEY_SATURATE);
    c.saturate = hdr->keys[KEY_SATURATE].value.real;
    if (saturation != nullptr) {
        *saturation = hassaturate ? static_cast<float>(c.bzero + c.bscale * c.saturate) : FITS_FLOAT_MAX;
    }
    c.marking = mark && hassaturate;
    const int32_t bitpix = hdr->keys[KEY_BITPIX].value.integer;
    c.hasblank = bitpix > 0 && fits_present(hdr, KEY_BLANK);
    c.blankraw = hdr->keys[KEY_BLANK].value.integer;
    c.blank = blank;
    return c;
}

bool describe_floats(FITSHEADER* hdr) {
    if (hdr->keys[KEY_BITPIX].value.integer != -32) {
        VAL bitpix{};
        bitpix.integer = -32;
        if (!fits_append(hdr, KEY_BITPIX, &bitpix, nullptr)) return false;
    }
    for (int key : {KEY_BLANK, KEY_BZERO, KEY_BSCALE, KEY_SATURATE}) fits_remove(hdr, key, true);
    return true;
}

}  // namespace

bool fits_read(FITSHEADER* hdr, float* pixels, float blank, bool mark, float* saturation) {
    if (hdr == nullptr || pixels == nullptr) return false;
    FitsDataReader reader;
    if (!reader.open(hdr)) return false;
    const Conversion conversion = prepare(hdr, mark, blank, saturation);
    const int32_t bitpix = hdr->keys[KEY_BITPIX].value.integer;
    const uint64_t width = reader.width();
    for (uint64_t done = 0; done < reader.rows();) {
        uint64_t got = 0;
        const uint8_t* rows = reader.next(&got);
        float* dst = pixels + done * width;
        if (reader.bigendian()) convert_any<true>(bitpix, rows, dst, got * width, conversion);
        else convert_any<false>(bitpix, rows, dst, got * width, conversion);
        done += got;
        if (reader.failed()) return false;
    }
    reader.close();
    return describe_floats(hdr);
}

bool fits_readraw(FITSHEADER* hdr, void* raw) {
    if (hdr == nullptr || raw == nullptr) return false;
    FitsDataReader reader;
    if (!reader.open(hdr)) return false;
    const size_t rowbytes = reader.width() * static_cast<size_t>(reader.element());
    auto* out = static_cast<uint8_t*>(raw);
    for (uint64_t done = 0; done < reader.rows();) {
        uint64_t got = 0;
        const uint8_t* rows = reader.next(&got);
        if (reader.bigendian()) fits_swapcopy(out + done * rowbytes, rows, got * rowbytes, reader.element());
        else std::memcpy(out + done * rowbytes, rows, got * rowbytes);
        done += got;
        if (reader.failed()) return false;
    }
    return true;
}

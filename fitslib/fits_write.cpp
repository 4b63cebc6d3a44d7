// New headers and image files: plain data big-endian and padded to whole
// records, or handed to the packed encoder. Files are written beside their
// target and renamed over it only once complete.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "orbex_internal.h"

namespace {

// Big pieces keep the number of system calls low; the conversion buffer
// is allocated once per write.
constexpr size_t kWritePiece = size_t{1} << 20;
constexpr int kFloatSlots = 3;  // BLANK, SATURATE and BSCALE may be appended
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
// The smallest value is BLANK; a scaled pixel never becomes it by accident.
constexpr int32_t kIntLowest = std::numeric_limits<int32_t>::min() + 1;

// Writes `bytes` converted to big-endian through `buffer` (kWritePiece
// bytes). Returns the bytes written, fewer after a short write, or -1 on a
// write error.
int64_t fits_writeblock(FILE* file, const uint8_t* src, size_t bytes, int element, uint8_t* buffer) {
    size_t done = 0;
    while (done < bytes) {
        const size_t piece = std::min(bytes - done, kWritePiece);
        const uint8_t* chunk = src + done;
        if (element > 1) {
            fits_swapcopy(buffer, chunk, piece, element);
            chunk = buffer;
        }
        const size_t written = std::fwrite(chunk, 1, piece, file);
        done += written;
        if (written != piece) return std::ferror(file) ? -1 : static_cast<int64_t>(done);
    }
    return static_cast<int64_t>(done);
}

bool write_piece(FITSHEADER* hdr, FILE* file, const uint8_t* src, size_t bytes, int element, uint8_t* buffer,
                 int error_code) {
    const int64_t written = fits_writeblock(file, src, bytes, element, buffer);
    if (written == static_cast<int64_t>(bytes)) return true;
    // A full disk is reported as such (the code after each write-error code).
    const int error = errno;
    if (written < 0 && error != ENOSPC) fits_save_error(error_code, hdr->name, error);
    else fits_error(error_code + 1, hdr->name, nullptr);
    return false;
}

bool write_plain(FITSHEADER* hdr, const void* pixels, uint64_t bytes, int element, FILE* file) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kWritePiece]);
    if (!buffer) {
        fits_error_bytes(FE_WRITE_PAD_ALLOC, hdr->name, kWritePiece);
        return false;
    }
    const auto* src = static_cast<const uint8_t*>(pixels);
    uint64_t offset = 0;
    for (; bytes - offset >= kWritePiece; offset += kWritePiece) {
        if (!write_piece(hdr, file, src + offset, kWritePiece, element, buffer.get(), FE_WRITE_DATA_ERROR)) {
            return false;
        }
    }
    if (offset < bytes &&
        !write_piece(hdr, file, src + offset, bytes - offset, element, buffer.get(), FE_WRITE_REST_ERROR)) {
        return false;
    }
    const size_t rest = bytes % FITS_BLOCK;
    if (rest == 0) return true;
    static const uint8_t zeros[FITS_BLOCK] = {};
    return write_piece(hdr, file, zeros, FITS_BLOCK - rest, 1, buffer.get(), FE_WRITE_PAD_ERROR);
}

int32_t clamp_to_int(double value) {
    if (std::isnan(value)) return kIntMax;
    if (value >= static_cast<double>(kIntMax)) return kIntMax;
    if (value <= static_cast<double>(kIntLowest)) return kIntLowest;
    return static_cast<int32_t>(value);
}

bool describe_integers(FITSHEADER* copy, int32_t saturation, double scale) {
    VAL value{};
    value.integer = 32;
    if (!fits_modify(copy, KEY_BITPIX, &value)) return false;
    value.integer = std::numeric_limits<int32_t>::min();
    if (!fits_modify(copy, KEY_BLANK, &value)) return false;
    value.real = saturation;
    if (!fits_modify(copy, KEY_SATURATE, &value)) return false;
    value.real = scale;
    return fits_modify(copy, KEY_BSCALE, &value);
}

bool write_file(FITSHEADER* hdr, const void* pixels, uint64_t bytes, int element, PACK pack) {
    FitsSaveFile file;
    if (!file.open(hdr->name)) {
        fits_save_error(FE_PUT_OPEN, hdr->name, errno);
        return false;
    }
    if (!fits_putheader(hdr, file.stream(), pack != PACK_NONE)) return false;
    const bool written = pack != PACK_NONE ? pack_write(hdr, pixels, file.stream(), pack)
                                           : write_plain(hdr, pixels, bytes, element, file.stream());
    if (!written) return false;
    if (!file.commit()) {
        const int error = errno;
        fits_save_error(error == ENOSPC ? FE_WRITE_DATA_SHORT : FE_WRITE_DATA_ERROR, hdr->name, error);
        return false;
    }
    return true;
}

}  // namespace

FITSHEADER* p_fits_newopen(int32_t extra, int32_t bitpix, int32_t naxis, int32_t naxis1, int32_t naxis2,
                           int32_t naxis3, int32_t naxis4) {
    if (naxis < 0 || naxis > 4) {
        fits_error(FE_NAXIS, nullptr, nullptr);
        return nullptr;
    }
    const int64_t slots = int64_t{extra} + naxis + 3;
    FITSHEADER* hdr = extra < 0 || slots > std::numeric_limits<uint16_t>::max()
                          ? nullptr
                          : fits_newrecord(static_cast<int>(slots));
    if (hdr == nullptr) {
        fits_error(FE_NEWOPEN_ALLOC, nullptr, nullptr);
        return nullptr;
    }
    VAL value{};
    value.logical = 1;
    bool ok = fits_append(hdr, KEY_SIMPLE, &value, nullptr);
    const int32_t numbers[] = {bitpix, naxis, naxis1, naxis2, naxis3, naxis4};
    for (int i = 0; ok && i < 2 + naxis; ++i) {
        value = VAL{};
        value.integer = numbers[i];
        ok = fits_append(hdr, KEY_BITPIX + i, &value, nullptr);
    }
    if (!ok) {
        fits_close(hdr);
        return nullptr;
    }
    return hdr;
}

bool fits_write(FITSHEADER* hdr, const void* pixels, PACK pack, const char* path) {
    if (hdr == nullptr || pixels == nullptr) return false;
    if (!fits_storename(hdr, path)) {
        fits_error(FE_PUT_OPEN, path, nullptr);
        return false;
    }
    const int32_t bitpix = hdr->keys[KEY_BITPIX].value.integer;
    if (bitpix < 0 && pack != PACK_NONE) {
        fits_error(FE_WRITE_PACK_REAL, hdr->name, nullptr);
        return false;
    }
    const int element = fits_elementsize(bitpix);
    if (element == 0) {
        fits_error(FE_WRITE_BITPIX, hdr->name, nullptr);
        return false;
    }
    uint64_t count = 0;
    if (!fits_pixelcount(hdr, static_cast<uint64_t>(element), FE_WRITE_PAD_ALLOC, &count)) return false;
    const uint64_t bytes = count * static_cast<uint64_t>(element);

    // Packed files always carry the checksums of the plain file they stand
    // for; a plain header that has the cards gets them brought up to date.
    const bool packed = pack != PACK_NONE;
    FITSHEADER* out = hdr;
    if (packed || fits_haschecksums(hdr)) {
        FitsSum datasum;
        datasum.add_machine(pixels, static_cast<size_t>(bytes), element);
        out = fits_withchecksums(hdr, datasum.value(), packed);
        if (out == nullptr) return false;
    }
    const bool ok = write_file(out, pixels, bytes, element, pack);
    if (out != hdr) {
        hdr->packed = out->packed;
        hdr->dataoffset = out->dataoffset;
        fits_close(out);
    }
    return ok;
}

bool fits_floatwrite(FITSHEADER* hdr, const float* pixels, int32_t* work, double scale, PACK pack,
                     const char* path) {
    if (hdr == nullptr || pixels == nullptr || work == nullptr) return false;
    if (!fits_storename(hdr, path)) {
        fits_error(FE_PUT_OPEN, path, nullptr);
        return false;
    }
    uint64_t count = 0;
    if (!fits_pixelcount(hdr, sizeof(float), FE_FLOAT_COPY, &count)) return false;
    const auto factor = static_cast<float>(fits_realvalue(hdr, KEY_BSCALE, 1.0) / scale);
    const int32_t saturation =
        fits_present(hdr, KEY_SATURATE)
            ? clamp_to_int(std::trunc(factor * hdr->keys[KEY_SATURATE].value.real + 0.5))
            : kIntMax;

    FITSHEADER* copy = p_fits_copy(hdr);
    FITSHEADER* sized = copy != nullptr ? p_fits_resize(copy, kFloatSlots) : nullptr;
    if (sized == nullptr) {
        fits_close(copy);
        fits_error(FE_FLOAT_COPY, hdr->name, nullptr);
        return false;
    }
    copy = sized;
    bool ok = false;
    if (copy->keys[KEY_BITPIX].value.integer != -32 ||
        (fits_present(copy, KEY_BZERO) && copy->keys[KEY_BZERO].value.real != 0.0)) {
        fits_error(FE_FLOAT_TYPE, hdr->name, nullptr);
    } else if (!describe_integers(copy, saturation, scale)) {
        fits_error(FE_FLOAT_MODIFY, hdr->name, nullptr);
    } else {
        for (uint64_t i = 0; i < count; ++i) {
            const float v = pixels[i];
            const bool marked = v == FITS_FLOAT_MAX || v == -FITS_FLOAT_MAX || std::isnan(v);
            work[i] = marked ? saturation : clamp_to_int(std::trunc(v * factor));
        }
        ok = fits_write(copy, work, pack, path);
    }
    fits_close(copy);
    return ok;
}

// FITSImport's requests for images whose values do not fit 16 bits: the
// header record and the values as floats. The conversion to the program's
// 16-bit pixels is the program's own, made only when the user asks for it.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "orbex_internal.h"

namespace {

constexpr int32_t kWideExtraCards = 50;
constexpr int32_t kLargestSide = 32767;  // the record's 16-bit size fields
constexpr size_t kDoubleRunValues = 32768;

struct HeaderCloser {
    void operator()(FITSHEADER* hdr) const { fits_close(hdr); }
};
using HeaderPtr = std::unique_ptr<FITSHEADER, HeaderCloser>;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool WideBitpix(int32_t bitpix) { return bitpix == 32 || bitpix == -32 || bitpix == -64; }

bool PresentSide(const FITSHEADER* hdr, const char* name, int32_t& side) {
    KEYFIND found = fits_anykeyfind(hdr, name);
    if (!found.found)
        return false;
    const KEYENTRY& slot = hdr->keys[found.index];
    if (!slot.present || slot.type != KT_INTEGER)
        return false;
    side = slot.value.integer;
    return side >= 1 && side <= kLargestSide;
}

// A plain two-axis image of a wide type whose sides fit the record.
bool WideImage(const FITSHEADER* hdr, int32_t& rows, int32_t& columns) {
    return !hdr->packed && WideBitpix(fits_intvalue(hdr, KEY_BITPIX, 0)) &&
           fits_intvalue(hdr, KEY_NAXIS, 0) == 2 && PresentSide(hdr, "NAXIS2", rows) &&
           PresentSide(hdr, "NAXIS1", columns);
}

uint16_t WideHeader(const char* path, FITSWIDEINFO& wide) {
    HeaderPtr hdr(p_fits_open(path, kWideExtraCards));
    if (!hdr)
        return FI_NOT_FITS;
    int32_t rows = 0, columns = 0;
    if (!WideImage(hdr.get(), rows, columns))
        return FI_FAILED;
    wide = FITSWIDEINFO{};
    wide.bitpix = fits_intvalue(hdr.get(), KEY_BITPIX, 0);
    wide.headerTextSize = uint32_t(hdr->ncards) * ORBEX_CARD_CHARS + 1;
    wide.info.rows = int16_t(rows);
    wide.info.columns = int16_t(columns);
    fits_importfields(hdr.get(), &wide.info);
    return FI_OK;
}

// 64-bit reals: read here, big-endian, with BZERO/BSCALE applied in double.
bool ReadDoubles(const FITSHEADER* hdr, float* out, size_t count) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(hdr->name, "rb"));
    if (!file) {
        fits_error(FE_READ_OPEN, hdr->name, nullptr);
        return false;
    }
    if (std::fseek(file.get(), hdr->dataoffset, SEEK_SET) != 0) {
        fits_error(FE_READ_SEEK, hdr->name, nullptr);
        return false;
    }
    const double bzero = fits_realvalue(hdr, KEY_BZERO, 0.0);
    const double bscale = fits_realvalue(hdr, KEY_BSCALE, 1.0);
    std::vector<uint64_t> run(kDoubleRunValues);
    for (size_t done = 0; done < count;) {
        const size_t take = std::min(count - done, run.size());
        if (std::fread(run.data(), sizeof(uint64_t), take, file.get()) != take) {
            fits_error(FE_READ_SHORT, hdr->name, nullptr);
            return false;
        }
        for (size_t i = 0; i < take; ++i) {
            const uint64_t bits = __builtin_bswap64(run[i]);
            double value;
            std::memcpy(&value, &bits, sizeof value);
            // Values past the float range would turn infinite: those are undefined.
            const double scaled = bzero + bscale * value;
            out[done + i] = std::isfinite(scaled) && std::fabs(scaled) <= std::numeric_limits<float>::max()
                                ? float(scaled)
                                : std::numeric_limits<float>::quiet_NaN();
        }
        done += take;
    }
    return true;
}

uint16_t WidePixels(const char* path, FITSBUFFER& buffer) {
    buffer.size = 0;
    if (buffer.data == nullptr)
        return FI_FAILED;
    HeaderPtr hdr(p_fits_open(path, kWideExtraCards));
    int32_t rows = 0, columns = 0;
    if (!hdr || !WideImage(hdr.get(), rows, columns))
        return FI_FAILED;
    const size_t count = size_t(rows) * size_t(columns);
    const uint64_t needed = uint64_t(count) * sizeof(float);
    if (needed > buffer.capacity) {
        fits_error_bytes(FE_READ_ROWBUF, hdr->name, needed);
        return FI_FAILED;
    }
    float* out = static_cast<float*>(buffer.data);
    const float undefined = std::numeric_limits<float>::quiet_NaN();
    const bool read = fits_intvalue(hdr.get(), KEY_BITPIX, 0) == -64
                          ? ReadDoubles(hdr.get(), out, count)
                          : fits_read(hdr.get(), out, undefined, false, nullptr);
    if (!read)
        return FI_FAILED;
    buffer.size = needed;
    return FI_OK;
}

}  // namespace

uint16_t fits_importwide(uint16_t request, const char* path, void* output) {
    if (request == FI_WIDEHEADER)
        return WideHeader(path, *static_cast<FITSWIDEINFO*>(output));
    if (request == FI_WIDEPIXELS)
        return WidePixels(path, *static_cast<FITSBUFFER*>(output));
    return FI_FAILED;
}

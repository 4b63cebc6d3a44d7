// Row delivery for the readers, and the byte-order copy the writers share.

#include <algorithm>
#include <cstring>

#include "fits_data.h"

namespace {

// Large enough that a warm page cache is read at memory speed, small
// enough to stay in the processor's cache while it is converted.
constexpr uint64_t kChunkBytes = 256 * 1024;

}  // namespace

// Swaps eight bytes at a time with mask-and-shift steps, which compilers
// turn into vector code on any x86-64; the tail goes element by element.
void fits_swapcopy(void* dst, const void* src, size_t bytes, int element) {
    auto* out = static_cast<uint8_t*>(dst);
    const auto* in = static_cast<const uint8_t*>(src);
    if (element != 2 && element != 4) {
        std::memcpy(out, in, bytes);
        return;
    }
    constexpr uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
    constexpr uint64_t kLowPairs = 0x0000FFFF0000FFFFull;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t v;
        std::memcpy(&v, in + i, 8);
        v = (v & kLowBytes) << 8 | (v >> 8 & kLowBytes);
        if (element == 4) v = (v & kLowPairs) << 16 | (v >> 16 & kLowPairs);
        std::memcpy(out + i, &v, 8);
    }
    for (; i + static_cast<size_t>(element) <= bytes; i += static_cast<size_t>(element)) {
        for (int b = 0; b < element; ++b) out[i + b] = in[i + element - 1 - b];
    }
}

bool FitsDataReader::open(FITSHEADER* hdr) {
    hdr_ = hdr;
    file_.reset(fits_openregular(hdr->name, FE_READ_OPEN));
    if (!file_) return false;
    if (std::fseek(file_.get(), hdr->dataoffset, SEEK_SET) != 0) {
        fits_error(FE_READ_SEEK, hdr->name, nullptr);
        return false;
    }
    element_ = fits_elementsize(hdr->keys[KEY_BITPIX].value.integer);
    if (element_ == 0) {
        fits_error(FE_READ_BITPIX, hdr->name, nullptr);
        return false;
    }
    uint64_t count = 0;
    if (!fits_pixelcount(hdr, static_cast<uint64_t>(element_), FE_READ_ROWBUF, &count)) return false;
    const int naxis = fits_intvalue(hdr, KEY_NAXIS, 0);
    width_ = naxis >= 1 ? static_cast<uint64_t>(fits_intvalue(hdr, KEY_NAXIS1, 1)) : 1;
    rows_ = count / width_;
    packed_ = hdr->packed;
    if (packed_) {
        unpack_ = unpack_open(file_.get(), element_, hdr);
        if (unpack_ == nullptr) return false;
        datasum_ = fits_expecteddatasum(hdr, &expected_);
    }
    const uint64_t rowbytes = width_ * static_cast<uint64_t>(element_);
    chunkrows_ = std::clamp<uint64_t>(kChunkBytes / rowbytes, 1, std::max<uint64_t>(rows_, 1));
    const uint64_t bytes = chunkrows_ * rowbytes;
    buffer_.reset(static_cast<uint8_t*>(std::malloc(bytes)));
    if (!buffer_) {
        fits_error_bytes(FE_READ_ROWBUF, hdr->name, bytes);
        return false;
    }
    return true;
}

const uint8_t* FitsDataReader::next(uint64_t* got) {
    const uint64_t want = std::min(chunkrows_, rows_ - delivered_);
    const size_t rowbytes = width_ * static_cast<size_t>(element_);
    uint8_t* buffer = buffer_.get();
    uint64_t complete = 0;
    if (!packed_) {
        const size_t bytes = want * rowbytes;
        const size_t read = std::fread(buffer, 1, bytes, file_.get());
        complete = read / rowbytes;
        if (read != bytes) {
            fits_error(std::ferror(file_.get()) ? FE_READ_ERROR : FE_READ_SHORT, hdr_->name, nullptr);
            failed_ = true;
        }
    } else {
        for (; complete < want; ++complete) {
            if (!unpack_row(unpack_, buffer + complete * rowbytes, width_)) {
                fits_error(FE_READ_PACKED_ROW, hdr_->name, nullptr);
                failed_ = true;
                break;
            }
        }
        if (datasum_ != FitsDatasum::absent) sum_.add_machine(buffer, complete * rowbytes, element_);
    }
    delivered_ += complete;
    if (packed_ && !failed_ && delivered_ == rows_ && !finish()) failed_ = true;
    *got = complete;
    return buffer;
}

// After the last pixel of a packed file: the stream must be used up (a
// lowered NAXIS2 leaves most of it over) and the pixels must add up to DATASUM.
bool FitsDataReader::finish() {
    if (!unpack_done(unpack_)) {
        fits_error(FE_PACKED_DAMAGE, hdr_->name, "(data left after the last pixel)");
        return false;
    }
    if (datasum_ == FitsDatasum::absent) return true;
    if (datasum_ == FitsDatasum::given && sum_.value() == expected_) return true;
    fits_error(FE_CHECKSUM, hdr_->name, "DATASUM");
    return false;
}

void FitsDataReader::close() {
    if (unpack_ != nullptr) unpack_close(unpack_);
    unpack_ = nullptr;
    file_.close();
    buffer_.reset();
}

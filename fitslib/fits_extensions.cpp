// What follows the primary image in a plain file: the later HDUs, handed
// over byte for byte so a program that rewrites the image can keep them.

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orbex_internal.h"

namespace {

constexpr char kExtensionKey[] = "XTENSION";

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads exactly `bytes` at `offset`; false on a read error or an early end.
bool read_at(int fd, uint64_t offset, void* dst, uint64_t bytes) {
    auto* out = static_cast<uint8_t*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(fd, out + done, bytes - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<uint64_t>(got);
    }
    return true;
}

}  // namespace

bool fits_databytes(const FITSHEADER* hdr, uint64_t* bytes) {
    const int element = fits_elementsize(hdr->keys[KEY_BITPIX].value.integer);
    uint64_t count = 0;
    if (!fits_pixelcount(hdr, element > 0 ? static_cast<uint64_t>(element) : 8, FE_READ_ROWBUF, &count))
        return false;
    // BITPIX -64 opens but is not read; its data still occupy 8 bytes a pixel.
    *bytes = count * static_cast<uint64_t>(element > 0 ? element : 8);
    return true;
}

bool fits_extensionspan(const FITSHEADER* hdr, FitsSpan* span) {
    *span = FitsSpan{0, 0};
    if (hdr->packed) return true;
    uint64_t data = 0;
    if (!fits_databytes(hdr, &data)) return false;
    const uint64_t padded = (data + FITS_BLOCK - 1) / FITS_BLOCK * FITS_BLOCK;
    const int fd = ::open(hdr->name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    FdCloser closer{fd};
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        fits_error(FE_READ_OPEN, hdr->name, nullptr);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        fits_error(FE_NOT_REGULAR, hdr->name, nullptr);
        return false;
    }
    const uint64_t start = static_cast<uint64_t>(hdr->dataoffset) + padded;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (size <= start) return true;
    char key[sizeof kExtensionKey - 1];
    if (!read_at(fd, start, key, sizeof key)) {
        fits_error(FE_READ_ERROR, hdr->name, nullptr);
        return false;
    }
    // Bytes that do not begin an extension (stray padding, junk) are not an
    // HDU and are not handed on.
    if (std::memcmp(key, kExtensionKey, sizeof key) != 0) return true;
    *span = FitsSpan{start, size - start};
    return true;
}

bool fits_readspan(const FITSHEADER* hdr, const FitsSpan& span, void* dst) {
    const int fd = ::open(hdr->name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    FdCloser closer{fd};
    if (fd < 0) {
        fits_error(FE_READ_OPEN, hdr->name, nullptr);
        return false;
    }
    if (!read_at(fd, span.offset, dst, span.bytes)) {
        fits_error(FE_READ_SHORT, hdr->name, nullptr);
        return false;
    }
    return true;
}

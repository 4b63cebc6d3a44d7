// What follows the primary image in a plain file: the later HDUs, handed
// over byte for byte so a program that rewrites the image can keep them.

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

FILE* fits_openregular(const char* path, int code) {
    // Never waits: a FIFO without a writer would block an ordinary open.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        fits_save_error(code, path, error);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        if (folder) fits_save_error(code, path, EISDIR);
        else fits_error(FE_NOT_REGULAR, path, nullptr);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
        fits_error(code, path, nullptr);
    }
    return file;
}

bool fits_checkdatasize(const FITSHEADER* hdr) {
    uint64_t declared = 0;
    if (!fits_databytes(hdr, &declared)) return false;
    struct stat info {};
    if (::stat(hdr->name, &info) != 0 || !S_ISREG(info.st_mode)) return true;  // told when read
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    const uint64_t offset = static_cast<uint64_t>(hdr->dataoffset);
    const uint64_t held = size > offset ? size - offset : 0;
    // A packed pixel costs at least one bit of stream.
    const uint64_t needed = hdr->packed ? (declared / static_cast<uint64_t>(std::max(1, fits_elementsize(
                                                          hdr->keys[KEY_BITPIX].value.integer))) + 7) / 8
                                        : declared;
    if (needed <= held) return true;
    char extra[96];
    std::snprintf(extra, sizeof extra, "(%llu bytes of data declared, %llu in the file)",
                  static_cast<unsigned long long>(hdr->packed ? needed : declared),
                  static_cast<unsigned long long>(held));
    fits_error(FE_DATA_BEYOND_FILE, hdr->name, extra);
    return false;
}

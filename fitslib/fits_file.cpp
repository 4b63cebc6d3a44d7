// Stream ownership and the write-beside-then-rename discipline for output
// files.

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orbex_internal.h"

namespace {

constexpr int kCreateAttempts = 16;
std::atomic<unsigned> temp_counter{0};

}  // namespace

int FitsFile::close() {
    if (file_ == nullptr) return 0;
    const int result = std::fclose(file_);
    file_ = nullptr;
    return result;
}

FitsTempFile::~FitsTempFile() {
    if (live_) ::unlink(path_);
}

bool FitsTempFile::create(const char* target) {
    if (!fits_pathfits(target)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(target_, target);
    struct stat existing{};
    const bool replaces = ::stat(target, &existing) == 0;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::snprintf(path_, sizeof path_, "%s.%ld-%u.part", target, static_cast<long>(::getpid()),
                      temp_counter.fetch_add(1));
        const int fd = ::open(path_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // A replaced file keeps its permissions; a new one gets the umask's.
        if (replaces) ::fchmod(fd, existing.st_mode & 07777);
        ::close(fd);
        live_ = true;
        return true;
    }
    return false;
}

bool FitsTempFile::commit() {
    if (!live_) return false;
    if (std::rename(path_, target_) != 0) return false;
    live_ = false;
    return true;
}

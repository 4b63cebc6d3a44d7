// Stream ownership and the careful save: a new file is written under a short
// temporary name in the target's folder, created exclusively and never
// through a link, written through its descriptor, given its final mode,
// flushed to disk and renamed over the target; the folder is flushed last.
// A link as target is saved through (the link stays); a device or FIFO is
// written directly, as copying tools do.

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orbex_internal.h"

namespace {

constexpr int kCreateAttempts = 32;
constexpr int kMaxLinkHops = 40;
constexpr mode_t kDefaultUmask = 022;
std::atomic<unsigned> temp_counter{0};

// The temporary file being written, for the signal clean-up: plain storage
// that a handler may read.
volatile sig_atomic_t signal_live = 0;
int signal_dirfd = -1;
char signal_name[FitsSaveFile::kTempChars] = {};

// The signals that end a process held back while a temporary file is made
// and recorded for the clean-up, so that none can leave it behind unnamed.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// Short, so any name the folder accepts can be saved beside it.
void temp_name(unsigned counter, char* out) {
    std::snprintf(out, FitsSaveFile::kTempChars, ".orbex%05x%04x.tmp",
                  static_cast<unsigned>(::getpid()) & 0xFFFFF, counter & 0xFFFF);
}

mode_t process_umask() {
    // Read without changing it (umask() would, for a moment, for every thread).
    FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr) return kDefaultUmask;
    char line[256];
    unsigned value = kDefaultUmask;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "Umask: %o", &value) == 1) break;
    }
    std::fclose(status);
    return static_cast<mode_t>(value & 0777);
}

// The file a chain of links ends at (the path itself when it is no link);
// the last name need not exist yet.
bool resolve_links(const char* target, std::string* out) {
    std::string path = target;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT) return false;
            *out = path;
            return true;
        }
        if (!S_ISLNK(info.st_mode)) {
            *out = path;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
        if (length < 0) return false;
        link[length] = '\0';
        if (link[0] == '/') {
            path = link;
        } else {
            const size_t slash = path.rfind('/');
            path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + link;
        }
    }
    errno = ELOOP;
    return false;
}

void split_path(const std::string& path, std::string* folder, std::string* name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        *folder = ".";
        *name = path;
    } else {
        *folder = slash == 0 ? "/" : path.substr(0, slash);
        *name = path.substr(slash + 1);
    }
}

}  // namespace

int FitsFile::close() {
    if (file_ == nullptr) return 0;
    const int result = std::fclose(file_);
    file_ = nullptr;
    return result;
}

FitsSaveFile::~FitsSaveFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (live_) {
        signal_live = 0;
        ::unlinkat(dirfd_, temp_, 0);
    }
    if (dirfd_ >= 0) ::close(dirfd_);
}

bool FitsSaveFile::open(const char* target) {
    if (!fits_pathfits(target) || target[0] == '\0') {
        errno = target[0] == '\0' ? ENOENT : ENAMETOOLONG;
        return false;
    }
    struct stat existing {};
    if (::stat(target, &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) {
            errno = EISDIR;
            return false;
        }
        return open_direct(target);
    }
    std::string path;
    if (!resolve_links(target, &path)) return false;
    std::string folder;
    split_path(path, &folder, &name_);
    if (name_.empty()) {
        errno = EISDIR;
        return false;
    }
    existed_ = ::stat(path.c_str(), &existing) == 0;
    if (existed_) {
        // Refused as copying tools refuse it: the user may not write this file.
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
        mode_ = existing.st_mode & 07777;
        uid_ = existing.st_uid;
        gid_ = existing.st_gid;
    } else {
        mode_ = 0666 & ~process_umask();
    }
    dirfd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd_ < 0) return false;
    return create_temp();
}

bool FitsSaveFile::open_direct(const char* target) {
    const int fd = ::open(target, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        return false;
    }
    direct_ = true;
    return true;
}

bool FitsSaveFile::create_temp() {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        temp_name(temp_counter.fetch_add(1), temp_);
        EndingSignalsHeld held;
        const int fd = ::openat(dirfd_, temp_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
            ::unlinkat(dirfd_, temp_, 0);
            return false;
        }
        live_ = true;
        signal_dirfd = dirfd_;
        std::memcpy(signal_name, temp_, sizeof temp_);
        signal_live = 1;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool FitsSaveFile::commit() {
    if (file_ == nullptr) return false;
    FILE* file = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int saved = errno;
    if (direct_) {
        const bool closed = std::fclose(file) == 0;
        if (!flushed) errno = saved;
        return flushed && closed;
    }
    const int fd = fileno(file);
    bool ok = flushed && ::fchmod(fd, mode_) == 0;
    // Owner and group kept when the process may give them (root may).
    if (ok && existed_ && ::fchown(fd, uid_, gid_) != 0 && errno != EPERM) ok = false;
    ok = ok && ::fsync(fd) == 0;
    const int reason = flushed ? errno : saved;
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed) {
        errno = ok ? errno : reason;
        return false;
    }
    if (::renameat(dirfd_, temp_, dirfd_, name_.c_str()) != 0) return false;
    live_ = false;
    signal_live = 0;
    ::fsync(dirfd_);
    return true;
}

void fits_save_tempname(int ahead, char* out) {
    temp_name(temp_counter.load() + static_cast<unsigned>(ahead), out);
}

void fits_save_signalcleanup() {
    if (signal_live) ::unlinkat(signal_dirfd, signal_name, 0);
}

namespace {

void remove_and_die(int signal) {
    fits_save_signalcleanup();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void fits_save_guardsignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, remove_and_die);
}

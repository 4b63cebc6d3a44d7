#include "platform/careful_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

#include "platform/file_error.h"
#include "platform/temp_cleanup.h"

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on a path's links
constexpr int kTempNameAttempts = 100;
constexpr int kTempRandomChars = 8;

std::string SaveError(const std::string& target, const std::string& cause) {
    return "Cannot save \"" + target + "\": " + cause;
}

[[noreturn]] void Throw(const std::string& target, const std::string& cause) {
    throw CFileException(CFileException::generic, target, SaveError(target, cause));
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symlinks at the last component so that a save replaces the file a
// link names and the link stays. A dangling link names the file to create.
std::string ResolveLinks(const std::string& target, int& error) {
    std::string path = target;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char buffer[PATH_MAX];
        ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
        if (length < 0) {
            error = errno;
            return {};
        }
        std::string link(buffer, size_t(length));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    error = ELOOP;
    return {};
}

mode_t NewFileMode() {
    static std::mutex lock;
    std::lock_guard guard(lock);
    mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string TempName() {
    static thread_local std::mt19937 random{std::random_device{}()};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".qv";
    for (int i = 0; i < kTempRandomChars; ++i) name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

bool WriteAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t done = ::write(fd, bytes, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += done;
        count -= size_t(done);
    }
    return true;
}

// The cause a folder problem is reported with.
std::string FolderCause(const std::string& folder, int error) {
    if (error == ENOENT) return "the folder \"" + folder + "\" does not exist";
    if (error == ENOTDIR) return "\"" + folder + "\" is not a folder";
    return std::strerror(error);
}

}  // namespace

CarefulFile::CarefulFile(const std::string& target) : target_(target) {
    if (target.empty()) Throw(target, "no file name given");
    int error = 0;
    std::string path = ResolveLinks(target, error);
    if (path.empty()) Throw(target, std::strerror(error));
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) Throw(target, "it is a folder");
        if (!S_ISREG(info.st_mode)) {
            OpenDirect(path, true);
            return;
        }
        OpenTemporary(path, &info);
        return;
    }
    if (errno != ENOENT) Throw(target, std::strerror(errno));
    OpenTemporary(path, nullptr);
}

CarefulFile CarefulFile::StandardOutput() {
    CarefulFile file;
    file.target_ = "standard output";
    file.fd_ = STDOUT_FILENO;
    file.ownsFd_ = false;
    file.streaming_ = true;
    return file;
}

CarefulFile::CarefulFile(CarefulFile&& other) noexcept
    : target_(std::move(other.target_)), baseName_(std::move(other.baseName_)),
      tempName_(std::move(other.tempName_)), fd_(other.fd_),
      folderFd_(other.folderFd_), slot_(other.slot_), ownsFd_(other.ownsFd_), streaming_(other.streaming_),
      committed_(other.committed_), hadOld_(other.hadOld_), old_(other.old_) {
    other.fd_ = -1;
    other.folderFd_ = -1;
    other.slot_ = -1;
    other.committed_ = true;
}

CarefulFile::~CarefulFile() {
    if (!committed_) Discard();
    if (fd_ >= 0 && ownsFd_) ::close(fd_);
    if (folderFd_ >= 0) ::close(folderFd_);
}

// Devices, FIFOs and terminals are written where they are, as cp does.
void CarefulFile::OpenDirect(const std::string& path, bool ownsDescriptor) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) Throw(target_, std::strerror(errno));
    ownsFd_ = ownsDescriptor;
    streaming_ = true;
}

void CarefulFile::OpenTemporary(const std::string& path, const struct stat* existing) {
    // A file the user may not write is refused, as cp refuses it; the folder's
    // permission alone would let a rename replace it.
    if (existing && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        Throw(target_, std::strerror(errno));
    if (existing) {
        hadOld_ = true;
        old_ = *existing;
    }
    const std::string folder = FolderOf(path);
    baseName_ = NameOf(path);
    if (baseName_.empty()) Throw(target_, "no file name given");
    folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0) Throw(target_, FolderCause(folder, errno));
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        std::string name = TempName();
        // A signal between the create and the registration would leave the file.
        TerminatingSignalsHeld held;
        fd_ = ::openat(folderFd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            slot_ = RegisterTempFile(folderFd_, name.c_str());
            tempName_ = std::move(name);
            return;
        }
        if (errno != EEXIST) break;
    }
    Throw(target_, std::strerror(errno));
}

void CarefulFile::Discard() noexcept {
    if (!tempName_.empty() && folderFd_ >= 0) ::unlinkat(folderFd_, tempName_.c_str(), 0);
    ReleaseTempFile(slot_);
    slot_ = -1;
    tempName_.clear();
}

void CarefulFile::Fail(int error) const {
    if (error == ENOSPC) Throw(target_, "the disk is full");
    Throw(target_, std::strerror(error));
}

void CarefulFile::Write(const void* bytes, size_t count) {
    if (fd_ < 0 || committed_) Throw(target_, "the file is not open for writing");
    if (!WriteAll(fd_, static_cast<const char*>(bytes), count)) Fail(errno);
}

void CarefulFile::Commit() {
    if (committed_) return;
    if (fd_ < 0) Throw(target_, "the file is not open for writing");
    if (streaming_) {
        // Devices and pipes may not sync; what matters is that every byte went out.
        committed_ = true;
        return;
    }
    if (hadOld_) {
        // The owner first: a change of owner may clear set-id bits the mode restores.
        if (::fchown(fd_, old_.st_uid, old_.st_gid) != 0) (void)::fchown(fd_, uid_t(-1), old_.st_gid);
    }
    const mode_t mode = hadOld_ ? (old_.st_mode & 07777) : NewFileMode();
    if (::fchmod(fd_, mode) != 0) Fail(errno);
    if (::fsync(fd_) != 0) Fail(errno);
    struct stat written {};
    if (::fstat(fd_, &written) != 0) Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
    // In a folder others may write, the name could now stand for something
    // else (a planted link): renaming that over the target would lose the save.
    struct stat named {};
    if (::fstatat(folderFd_, tempName_.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        named.st_dev != written.st_dev || named.st_ino != written.st_ino)
        Throw(target_, "its temporary file was replaced by someone else while saving; nothing was saved");
    if (::renameat(folderFd_, tempName_.c_str(), folderFd_, baseName_.c_str()) != 0) Fail(errno);
    ReleaseTempFile(slot_);
    slot_ = -1;
    tempName_.clear();
    committed_ = true;
    (void)::fsync(folderFd_);  // some file systems cannot sync a folder; the rename stands
}

std::string CheckOutputWritable(const std::string& target) {
    if (target.empty()) return SaveError(target, "no file name given");
    int error = 0;
    std::string path = ResolveLinks(target, error);
    if (path.empty()) return SaveError(target, std::strerror(error));
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return SaveError(target, "it is a folder");
        if (!S_ISREG(info.st_mode)) return {};
        if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return SaveError(target, std::strerror(errno));
    } else if (errno != ENOENT) {
        return SaveError(target, std::strerror(errno));
    }
    const std::string folder = FolderOf(path);
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0) return SaveError(target, FolderCause(folder, errno));
    if (!S_ISDIR(folderInfo.st_mode)) return SaveError(target, FolderCause(folder, ENOTDIR));
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return SaveError(target, std::strerror(errno));
    long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && NameOf(path).size() > size_t(nameMax)) return SaveError(target, std::strerror(ENAMETOOLONG));
    return {};
}

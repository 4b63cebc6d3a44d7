#include "platform/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/file_error.h"

namespace {

// Large enough that whole rows move per system call.
constexpr size_t kStreamBufferBytes = size_t(1) << 18;
constexpr int kTempNameAttempts = 100;

std::string ErrorText(const std::string& what, const std::string& path, int error) {
    return what + " \"" + path + "\": " + std::strerror(error);
}

std::string TempNameCandidate(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937 random{std::random_device{}()};
    return target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random() % 1000000);
}

// Creates a new, exclusive temporary file beside target, with the target's
// permissions when it already exists.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    struct stat targetStat {};
    const bool targetExists = ::stat(target.c_str(), &targetStat) == 0;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = TempNameCandidate(target);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (targetExists) (void)::fchmod(fd, targetStat.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    return -1;
}

}  // namespace

CArchive::CArchive(const std::string& path, Mode mode) : path_(path), mode_(mode) {
    if (mode_ == load) {
        file_ = std::fopen(path_.c_str(), "rb");
        if (!file_) throw CFileException(CFileException::generic, path_, ErrorText("Cannot open", path_, errno));
    } else {
        int fd = CreateTempBeside(path_, tempPath_);
        if (fd < 0)
            throw CFileException(CFileException::generic, path_, ErrorText("Cannot create a file beside", path_, errno));
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            int error = errno;
            ::close(fd);
            ::unlink(tempPath_.c_str());
            throw CFileException(CFileException::generic, path_, ErrorText("Cannot write", path_, error));
        }
    }
    buffer_.resize(kStreamBufferBytes);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

CArchive::~CArchive() {
    if (file_) std::fclose(file_);
    if (mode_ == store && !committed_) ::unlink(tempPath_.c_str());
}

size_t CArchive::Read(void* buffer, size_t count) {
    if (mode_ != load || !file_ || count == 0) return 0;
    return std::fread(buffer, 1, count, file_);
}

void CArchive::Write(const void* buffer, size_t count) {
    if (mode_ != store || !file_ || committed_)
        throw CFileException(CFileException::generic, path_, "Archive is not open for writing");
    if (count != 0 && std::fwrite(buffer, 1, count, file_) != count)
        throw CFileException(CFileException::generic, path_, ErrorText("Cannot write", path_, errno));
}

std::optional<uint64_t> CArchive::BytesRemaining() const {
    if (mode_ != load || !file_) return std::nullopt;
    struct stat fileStat {};
    if (::fstat(fileno(file_), &fileStat) != 0 || !S_ISREG(fileStat.st_mode)) return std::nullopt;
    long position = std::ftell(file_);
    if (position < 0) return std::nullopt;
    if (uint64_t(fileStat.st_size) <= uint64_t(position)) return 0;
    return uint64_t(fileStat.st_size) - uint64_t(position);
}

void CArchive::Commit() {
    if (mode_ != store || committed_ || !file_) return;
    errno = 0;
    int error = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) error = errno ? errno : EIO;
    if (!error && ::fsync(fileno(file_)) != 0) error = errno;
    if (std::fclose(file_) != 0 && !error) error = errno ? errno : EIO;
    file_ = nullptr;
    if (!error && std::rename(tempPath_.c_str(), path_.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(tempPath_.c_str());
        throw CFileException(CFileException::generic, path_, ErrorText("Cannot save", path_, error));
    }
    committed_ = true;
}

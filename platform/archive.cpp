#include "platform/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_error.h"

namespace {

// Large enough that whole rows move per system call.
constexpr size_t kStreamBufferBytes = size_t(1) << 18;

std::string ErrorText(const std::string& what, const std::string& path, const std::string& cause) {
    return what + " \"" + path + "\": " + cause;
}

// Opens an input without waiting: a FIFO with no writer, a device or a
// folder is refused at once instead of blocking or failing later by name.
std::FILE* OpenInput(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw CFileException(CFileException::generic, path, ErrorText("Cannot open", path, std::strerror(errno)));
    struct stat info {};
    std::string problem;
    if (::fstat(fd, &info) != 0) problem = std::strerror(errno);
    else if (S_ISDIR(info.st_mode)) problem = "it is a folder, not an image file";
    else if (!S_ISREG(info.st_mode)) problem = "it is not a regular file (a FIFO, pipe or device); save the image to a file first";
    std::FILE* file = nullptr;
    if (problem.empty()) {
        (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        file = ::fdopen(fd, "rb");
        if (!file) problem = std::strerror(errno);
    }
    if (!file) {
        ::close(fd);
        throw CFileException(CFileException::generic, path, ErrorText("Cannot open", path, problem));
    }
    return file;
}

}  // namespace

CArchive::CArchive(const std::string& path, Mode mode) : path_(path), mode_(mode) {
    if (mode_ == load) {
        file_ = OpenInput(path_);
        buffer_.resize(kStreamBufferBytes);
        std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    } else {
        output_.emplace(path_);
        buffer_.resize(kStreamBufferBytes);
    }
}

CArchive::CArchive(CarefulFile output) : path_(output.Target()), mode_(store) {
    output_.emplace(std::move(output));
    buffer_.resize(kStreamBufferBytes);
}

CArchive::~CArchive() {
    if (file_) std::fclose(file_);
    // An uncommitted output removes its temporary file itself.
}

size_t CArchive::Read(void* buffer, size_t count) {
    if (mode_ != load || !file_ || count == 0) return 0;
    return std::fread(buffer, 1, count, file_);
}

void CArchive::Flush() {
    if (buffered_ == 0) return;
    const size_t count = buffered_;
    buffered_ = 0;
    output_->Write(buffer_.data(), count);
}

void CArchive::Write(const void* buffer, size_t count) {
    if (mode_ != store || !output_ || committed_)
        throw CFileException(CFileException::generic, path_, "Archive is not open for writing");
    const char* bytes = static_cast<const char*>(buffer);
    if (buffered_ + count > buffer_.size()) Flush();
    if (count >= buffer_.size()) {
        output_->Write(bytes, count);
        return;
    }
    std::memcpy(buffer_.data() + buffered_, bytes, count);
    buffered_ += count;
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
    if (mode_ != store || committed_ || !output_) return;
    Flush();
    output_->Commit();
    committed_ = true;
}

#pragma once
// One output file written the way trusted Unix tools write it.
//
// A regular target (or a new name) gets a short temporary file beside it,
// created exclusively with mode 0600 and never followed through a link, written
// through its descriptor only, then given the old file's mode (and owner and
// group when the process may), synced, renamed over the target and the folder
// synced. A symlink target is saved through: the link stays and the file it
// names is replaced. A target that is not a regular file (a FIFO, a device,
// standard output) is written directly, streaming, and never replaced.
// SIGINT, SIGTERM and SIGHUP remove a pending temporary file before the
// process ends, unless the program handles or ignores the signal itself.

#include <sys/stat.h>

#include <cstddef>
#include <string>

class CarefulFile {
public:
    // Opens the output for target; throws CFileException naming the file and
    // the cause when it cannot be written (missing folder, no permission, ...).
    explicit CarefulFile(const std::string& target);
    // Standard output, written directly.
    static CarefulFile StandardOutput();
    ~CarefulFile();  // uncommitted: the temporary file is removed, the target untouched
    CarefulFile(CarefulFile&& other) noexcept;
    CarefulFile(const CarefulFile&) = delete;
    CarefulFile& operator=(const CarefulFile&) = delete;
    CarefulFile& operator=(CarefulFile&&) = delete;

    // Writes all count bytes; throws CFileException on failure.
    void Write(const void* bytes, size_t count);
    // Finishes the file (see above); throws CFileException, leaving the old target.
    void Commit();

    // Whether the output is written in place (not a regular file).
    bool Streaming() const { return streaming_; }
    const std::string& Target() const { return target_; }

private:
    CarefulFile() = default;
    void OpenDirect(const std::string& path, bool ownsDescriptor);
    void OpenTemporary(const std::string& path, const struct stat* existing);
    void Discard() noexcept;
    [[noreturn]] void Fail(int error) const;

    std::string target_;    // as the caller named it, for messages
    std::string baseName_;  // the final name inside the folder
    std::string tempName_;  // the temporary file inside the folder, while it exists
    int fd_ = -1;
    int folderFd_ = -1;
    int slot_ = -1;         // the signal cleanup slot of the temporary file
    bool ownsFd_ = true;
    bool streaming_ = false;
    bool committed_ = false;
    bool hadOld_ = false;
    struct stat old_ {};
};

// Empty when target can be written by CarefulFile, else the message the save
// would fail with. Lets a long computation refuse a bad output before it starts.
std::string CheckOutputWritable(const std::string& target);

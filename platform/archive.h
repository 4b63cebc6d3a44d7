#pragma once
// An archive over one file, loading or storing, as the image record's
// Serialize sees it. A storing archive writes through a CarefulFile: a
// temporary file beside the target renamed into place only on Commit(), so a
// failed save never destroys the existing file (a device or FIFO target is
// written in place).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/careful_file.h"

class CArchive {
public:
    enum Mode { load, store };

    // Opens path for the mode; throws CFileException when it cannot.
    CArchive(const std::string& path, Mode mode);
    // A storing archive over an output already opened (e.g. standard output).
    explicit CArchive(CarefulFile output);
    ~CArchive();  // a storing archive not committed removes its temporary file
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return mode_ == load; }
    bool IsStoring() const { return mode_ == store; }

    // Reads up to count bytes; returns how many were read.
    size_t Read(void* buffer, size_t count);
    // Writes all count bytes; throws CFileException(generic) on failure.
    void Write(const void* buffer, size_t count);
    // Loading a regular file: the bytes not read yet (lets a reader refuse a
    // header that promises more data than the file holds before allocating).
    std::optional<uint64_t> BytesRemaining() const;
    // Full path of the file the archive stands for (the target when storing).
    const std::string& GetFilePath() const { return path_; }

    // Storing: writes what is buffered and finishes the file (CarefulFile::Commit).
    // Throws CFileException on failure, leaving the target untouched.
    void Commit();

private:
    void Flush();

    std::string path_;
    Mode mode_;
    std::FILE* file_ = nullptr;           // loading
    std::optional<CarefulFile> output_;   // storing
    bool committed_ = false;
    std::vector<char> buffer_;
    size_t buffered_ = 0;
};

#pragma once
// Builds native image files line by line for tests, and loads them the way
// the program does, capturing what the user would have been shown.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image.h"
#include "platform/file_error.h"

namespace qvtest {

// A fresh folder under the system temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The header lines (without line ends) a well-formed file of this version
// holds; version 3 includes the keyed lines and "End".
std::vector<std::string> HeaderLines(int fileVersion, const std::string& firstLine = "QV-4 Compressed Image",
                                     int width = 4, int height = 3);
// Joins lines with LF CR and pads with zero bytes to the 2048-byte block.
std::string HeaderBlock(const std::vector<std::string>& lines);

// Rows stored uncompressed, little-endian.
std::string RawPixels(const std::vector<uint16_t>& pixels);
// One compressed row: its 2-byte length, then the stored bytes.
std::string StoredRow(const std::vector<uint8_t>& bytes);
// Every row of the image stored raw inside the compressed layout.
std::string RawStoredRows(const std::vector<uint16_t>& pixels, int width);

// Pixels 0, 1, 2, ... spread over the 16-bit range so rows differ.
std::vector<uint16_t> TestPixels(int width, int height);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

struct LoadResult {
    bool ok = false;
    CFileException::Cause cause = CFileException::none;
    std::vector<std::string> messages;
};

LoadResult LoadFile(const std::string& path, CImage& image);
LoadResult LoadBytes(const TempDir& dir, const std::string& bytes, CImage& image);
// Saves through a storing archive and commits; false when Serialize threw.
LoadResult SaveFile(const std::string& path, CImage& image);

}  // namespace qvtest

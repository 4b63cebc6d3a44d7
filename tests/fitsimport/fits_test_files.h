#pragma once
// Tiny FITS files written byte by byte for the import tests, so that what
// the library reads does not depend on any writer under test.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fitstest {

// A folder under the system's temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return (root_ / name).string(); }

private:
    std::filesystem::path root_;
};

// One card, blank-filled to 80 characters.
std::string Card(const std::string& text);
std::string IntCard(const std::string& key, long value);
std::string RealCard(const std::string& key, double value);
std::string StringCard(const std::string& key, const std::string& value);

// SIMPLE, BITPIX, NAXIS = 2, NAXIS1 = columns, NAXIS2 = rows.
std::vector<std::string> ImageCards(int bitpix, int columns, int rows);

// The cards, END and padding, then the 16-bit values big-endian, padded.
void WriteFits16(const std::string& path, const std::vector<std::string>& cards,
                 const std::vector<int16_t>& raw);
// The same header with data bytes as given (for other BITPIX values).
void WriteFitsBytes(const std::string& path, const std::vector<std::string>& cards,
                    const std::vector<uint8_t>& data);
// A header in the library's packed form (run-length blanks, 4-byte padding).
void WritePackedHeader(const std::string& path, const std::vector<std::string>& cards);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// The 80-character cards of a FITS file's primary header, END excluded.
std::vector<std::string> HeaderCards(const std::string& path);

// Runs /usr/bin/python3 on a script with arguments; returns its exit status.
int RunPython(const std::string& script, const std::vector<std::string>& args);
int RunCommand(const std::string& command);
std::string Quote(const std::string& text);

}  // namespace fitstest

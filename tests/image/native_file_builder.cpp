#include "native_file_builder.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/archive.h"
#include "platform/messages.h"

namespace qvtest {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("qv-image-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> HeaderLines(int fileVersion, const std::string& firstLine, int width, int height) {
    std::vector<std::string> lines = {
        firstLine,
        "File_version = " + std::to_string(fileVersion),
        std::string("Data_version = ") + (fileVersion == 4 ? "2" : fileVersion == 5 ? "3" : "1"),
        "Exposure = 1500",
        "Focal_length = 80.000",
        "Aperture = 38.0000",
        "Response_factor = 1.250",
        "Note = first light",
        "Background = 120",
        "Range = 900",
    };
    // Later versions share the version-3 layout.
    int layout = fileVersion >= 6 ? 3 : fileVersion;
    if (layout > 1) {
        std::vector<std::string> version2 = {
            "Height = " + std::to_string(height),
            "Width = " + std::to_string(width),
            "Date = 06/21/98",
            "Time = 23:15:09",
            "Exposure_state = 5",
            "Temperature = -20.50",
            "Number_exposures = 2",
            "Each_exposure = 750",
            "History = @AB",
            "Observer = J. Doe",
        };
        lines.insert(lines.end(), version2.begin(), version2.end());
    }
    if (layout > 2) {
        std::vector<std::string> version3 = {
            "X_pixel_size = 0.0090",
            "Y_pixel_size = 0.0110",
            "Pedestal = 100",
            "E_gain = 2.30",
            "User_1 = site: backyard",
            "User_2 = -",
            "User_3 = seeing 3",
            "User_4 = -",
            "Filter = Red",
            "Readout_mode = 2",
            "Track_time = 45",
            "Sat_level = 40000",
        };
        lines.insert(lines.end(), version3.begin(), version3.end());
    }
    if (fileVersion == 4 || fileVersion == 5) {
        lines.push_back("Color_mode = 1");
        lines.push_back("Color_planes = 3");
    }
    if (fileVersion == 5) {
        lines.push_back("Red_offset = 0");
        lines.push_back("Blue_offset = -1");
    }
    lines.push_back("End");
    return lines;
}

std::string HeaderBlock(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n\r";
    text.resize(kNativeHeaderBytes, '\0');
    return text;
}

std::string RawPixels(const std::vector<uint16_t>& pixels) {
    std::string bytes;
    for (uint16_t value : pixels) {
        bytes += char(value & 0xFF);
        bytes += char(value >> 8);
    }
    return bytes;
}

std::string StoredRow(const std::vector<uint8_t>& bytes) {
    std::string row;
    row += char(bytes.size() & 0xFF);
    row += char(bytes.size() >> 8);
    row.append(bytes.begin(), bytes.end());
    return row;
}

std::string RawStoredRows(const std::vector<uint16_t>& pixels, int width) {
    std::string rows;
    for (size_t start = 0; start < pixels.size(); start += size_t(width)) {
        std::string raw = RawPixels(std::vector<uint16_t>(pixels.begin() + ptrdiff_t(start),
                                                          pixels.begin() + ptrdiff_t(start) + width));
        rows += StoredRow(std::vector<uint8_t>(raw.begin(), raw.end()));
    }
    return rows;
}

std::vector<uint16_t> TestPixels(int width, int height) {
    std::vector<uint16_t> pixels(size_t(width) * size_t(height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint16_t(i * 7919u + (i % 3) * 40000u);
    return pixels;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

LoadResult LoadFile(const std::string& path, CImage& image) {
    LoadResult result;
    ScopedMessageCapture capture;
    try {
        CArchive archive(path, CArchive::load);
        image.Serialize(archive);
        result.ok = true;
    } catch (const CFileException& error) {
        result.cause = error.m_cause;
    }
    for (const Message& message : capture.messages) result.messages.push_back(message.text);
    return result;
}

LoadResult LoadBytes(const TempDir& dir, const std::string& bytes, CImage& image) {
    static std::atomic<int> counter{0};
    std::string path = dir.File("in" + std::to_string(counter++) + ".qv4");
    WriteBytes(path, bytes);
    return LoadFile(path, image);
}

LoadResult SaveFile(const std::string& path, CImage& image) {
    LoadResult result;
    ScopedMessageCapture capture;
    try {
        CArchive archive(path, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
        result.ok = true;
    } catch (const CFileException& error) {
        result.cause = error.m_cause;
    }
    for (const Message& message : capture.messages) result.messages.push_back(message.text);
    return result;
}

}  // namespace qvtest

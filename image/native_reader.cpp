// Loading half of Serialize: the header block, then the pixel rows.

#include <bit>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "image/fits_io.h"
#include "image/image.h"
#include "image/native_io.h"
#include "image/native_layout.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

constexpr const char* kUnsupportedCamera =
    "Image is from a Camera not supported by this version of Quorvane.\n\n"
    "Please check the web or contact KESL for an update.";
constexpr const char* kNotBlackAndWhite = "File opened was not a Standard Black and White Image";
constexpr const char* kNot16BitData = "File opened did not contain 16 bit image data";
constexpr const char* kRowLengthOutOfRange = "Specified length of compressed line is out of range";
constexpr const char* kRowDecompressionFailed = "line decompression failed";

constexpr const char* kNotAnImageFile = "The file is not a recognised image file.";
constexpr const char* kHeaderUnreadable = "The image file's header could not be read.";

[[noreturn]] void FailWithMessage(const CArchive& archive, const std::string& message) {
    ShowMessage(message);
    throw CFileException(CFileException::generic, archive.GetFilePath(), message);
}

[[noreturn]] void FailQuietly(const CArchive& archive, CFileException::Cause cause, const char* detail = "") {
    throw CFileException(cause, archive.GetFilePath(), detail);
}

// Refuses sizes that are meaningless or that no pixel buffer could hold,
// before anything is allocated.
void CheckImageSize(const CImage& image, const CArchive& archive) {
    bool sidesValid = image.Width >= 1 && image.Height >= 1 && image.Width <= kMaxImageSide &&
                      image.Height <= kMaxImageSide;
    if (sidesValid && int64_t(image.Width) * image.Height <= kMaxImagePixels) return;
    FailWithMessage(archive, "The image size in the file header (" + std::to_string(image.Width) + " x " +
                                 std::to_string(image.Height) + " pixels) is not supported.");
}

// Whether the file can hold the rows its header promises; a file that cannot
// will fail while its rows are read, and must not cost a huge buffer first.
bool FileCanHoldRows(const CImage& image, const CArchive& archive) {
    auto remaining = archive.BytesRemaining();
    if (!remaining) return true;
    uint64_t rowBytes = image.fileType == kFileCompressed ? kRowLengthBytes + uint64_t(image.Width) + 1
                                                          : 2 * uint64_t(image.Width);
    return *remaining >= rowBytes * uint64_t(image.Height);
}

std::vector<uint16_t> AllocatePixels(const CImage& image, const CArchive& archive) {
    try {
        return std::vector<uint16_t>(size_t(image.Width) * size_t(image.Height));
    } catch (const std::bad_alloc&) {
        FailWithMessage(archive, "There is not enough memory to load this " + std::to_string(image.Width) +
                                     " x " + std::to_string(image.Height) + " image.");
    }
}

void ToHostOrder(std::vector<uint16_t>& values) {
    if constexpr (std::endian::native == std::endian::big) {
        for (uint16_t& value : values) value = uint16_t((value >> 8) | (value << 8));
    }
}

void ReadUncompressedRows(CArchive& archive, std::vector<uint16_t>& pixels) {
    size_t bytes = pixels.size() * sizeof(uint16_t);
    if (archive.Read(pixels.data(), bytes) != bytes) FailQuietly(archive, CFileException::endOfFile);
    ToHostOrder(pixels);
}

// Without a destination the rows are decoded into one scratch row, so a file
// too short for its header still fails exactly where and how it would.
void ReadCompressedRows(const CImage& image, CArchive& archive, std::vector<uint16_t>* pixels) {
    std::vector<uint8_t> stored(2 * size_t(image.Width));
    std::vector<uint16_t> scratch(pixels ? 0 : size_t(image.Width));
    for (int32_t y = 0; y < image.Height; ++y) {
        uint8_t lengthBytes[kRowLengthBytes];
        if (archive.Read(lengthBytes, sizeof lengthBytes) != sizeof lengthBytes)
            FailQuietly(archive, CFileException::endOfFile);
        int length = lengthBytes[0] | (lengthBytes[1] << 8);
        if (length <= image.Width || length > 2 * image.Width) FailWithMessage(archive, kRowLengthOutOfRange);
        if (archive.Read(stored.data(), size_t(length)) != size_t(length))
            FailQuietly(archive, CFileException::endOfFile);
        uint16_t* row = pixels ? pixels->data() + size_t(y) * size_t(image.Width) : scratch.data();
        if (!image.ExpandLine(length, stored.data(), row))
            FailWithMessage(archive, kRowDecompressionFailed);
    }
}

uint16_t LittleEndian16(const uint8_t* bytes) { return uint16_t(bytes[0] | (bytes[1] << 8)); }

}  // namespace

void ReadImageArchive(CImage& image, CArchive& archive) {
    image.importRounding.clear();
    char block[kNativeHeaderBytes];
    const size_t read = archive.Read(block, sizeof block);
    // A FITS file may be shorter than the block (a packed one), and a packed
    // one holds no "SIMPLE  =": the library tells what either is.
    if (std::string_view(block, read).starts_with(kFitsFirstWord)) {
        image.fileType = kFileFits;
        image.cameraIndex = 0;
        LoadFitsImage(image, archive.GetFilePath());
        return;
    }
    if (read != sizeof block) FailQuietly(archive, CFileException::endOfFile);
    if (!image.IdentifyNativeFile(block)) FailQuietly(archive, CFileException::generic, kNotAnImageFile);
    if (image.fileType == kFileFits) {
        LoadFitsImage(image, archive.GetFilePath());
        return;
    }
    std::string problem;
    if (!ParseNativeHeaderBlock(image, block, problem))
        FailQuietly(archive, CFileException::generic, problem.empty() ? kHeaderUnreadable : problem.c_str());
    if (image.cameraIndex == 0 && image.fileType == kFileTypeNotStated) FailWithMessage(archive, kUnsupportedCamera);
    if (image.imageKind != 0) FailWithMessage(archive, kNotBlackAndWhite);
    if (image.Data_version != 1) FailWithMessage(archive, kNot16BitData);

    CheckImageSize(image, archive);
    if (!FileCanHoldRows(image, archive)) {
        if (image.fileType == kFileCompressed) ReadCompressedRows(image, archive, nullptr);
        FailQuietly(archive, CFileException::endOfFile);
    }
    std::vector<uint16_t> pixels = AllocatePixels(image, archive);
    if (image.fileType == kFileCompressed)
        ReadCompressedRows(image, archive, &pixels);
    else
        ReadUncompressedRows(archive, pixels);
    image.pixels = std::move(pixels);
}

bool CImage::ExpandLine(int storedLength, const uint8_t* stored, uint16_t* row) const {
    if (Width < 1 || storedLength < 2) return false;
    if (storedLength == 2 * Width) {
        for (int32_t x = 0; x < Width; ++x) row[x] = LittleEndian16(stored + 2 * x);
        return true;
    }
    uint16_t previous = LittleEndian16(stored);
    row[0] = previous;
    int32_t produced = 1;
    int at = 2;
    while (produced < Width && at < storedLength) {
        uint8_t code = stored[at++];
        if (code == kDeltaEscape) {
            if (storedLength - at < 2) break;
            previous = LittleEndian16(stored + at);
            at += 2;
        } else {
            previous = uint16_t(previous + int8_t(code));
        }
        row[produced++] = previous;
    }
    return produced == Width;
}

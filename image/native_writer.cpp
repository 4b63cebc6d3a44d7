// Storing half of Serialize for native files: always the compressed form,
// file version 3, data version 1.

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "image/image.h"
#include "image/native_io.h"
#include "image/native_layout.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

namespace {

constexpr const char* kHeaderTooLong =
    "The image cannot be saved: its header values do not fit in the 2048-byte header of the file. "
    "Check for an out-of-range value such as the focal length.";
constexpr const char* kNoPixelsToSave = "The image cannot be saved: it holds no pixel data of its stated size.";
constexpr const char* kTooWideToSave = "The image cannot be saved: images wider than 32767 pixels do not fit this format.";
constexpr const char* kUnknownCameraToken = "Unknown";

// Text values may not break the line structure: a line feed or a zero byte
// inside a value would shift every following line.
std::string StorableText(const std::string& value, size_t capacity) {
    std::string text = value.substr(0, capacity);
    for (char& c : text) {
        if (c == '\0' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::string TextOrDash(const std::string& value, size_t capacity) {
    std::string text = StorableText(value, capacity);
    return text.empty() ? "-" : text;
}

// The reader takes the token up to the first blank, at most 9 characters.
std::string CameraToken(const CImage& image) {
    if (image.cameraIndex > 0 && image.cameraIndex < kCameraCount) return CameraTable[image.cameraIndex];
    std::string token = image.cameraName.substr(0, kCameraTokenChars);
    for (char& c : token) {
        if (static_cast<unsigned char>(c) <= ' ') c = '_';
    }
    return token.empty() ? kUnknownCameraToken : token;
}

template <typename Integer>
std::string Decimal(Integer value) {
    return std::to_string(value);
}

// Fixed-point text in the C locale, whatever locale the program runs in.
std::string Fixed(double value, int decimals) {
    char digits[400];
    auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    return std::string(digits, result.ec == std::errc() ? result.ptr : digits);
}

class HeaderText {
public:
    void Line(std::string_view key, const std::string& value) {
        text_ += key;
        text_ += " = ";
        text_ += value;
        text_ += kNativeLineEnd;
    }
    void Raw(std::string_view text) { text_ += text; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

std::string BuildHeaderText(const CImage& image) {
    HeaderText header;
    header.Raw(CameraToken(image));
    header.Raw(" Compressed Image");
    header.Raw(kNativeLineEnd);
    header.Line("File_version", Decimal(kWrittenFileVersion));
    header.Line("Data_version", Decimal(kWrittenDataVersion));
    header.Line("Exposure", Decimal(image.Exposure));
    header.Line("Focal_length", Fixed(image.Focal_length, 3));
    header.Line("Aperture", Fixed(image.Aperture, 4));
    header.Line("Response_factor", Fixed(image.Response_factor, 3));
    header.Line("Note", TextOrDash(image.Note, kNoteChars));
    header.Line("Background", Decimal(image.display.back < 0 ? 0 : image.display.back));
    header.Line("Range", Decimal(image.display.range));
    header.Line("Height", Decimal(image.Height));
    header.Line("Width", Decimal(image.Width));
    header.Line("Date", TextOrDash(image.Date, kDateChars));
    header.Line("Time", TextOrDash(image.Time, kTimeChars));
    header.Line("Exposure_state", Decimal(image.Exposure_state));
    header.Line("Temperature", Fixed(image.Temperature, 2));
    header.Line("Number_exposures", Decimal(image.Number_exposures));
    header.Line("Each_exposure", Decimal(image.Each_exposure));
    header.Line("History", StorableText(image.History, kHistoryChars));
    header.Line("Observer", TextOrDash(image.Observer, kObserverChars));
    header.Line("X_pixel_size", Fixed(image.X_pixel_size, 4));
    header.Line("Y_pixel_size", Fixed(image.Y_pixel_size, 4));
    header.Line("Pedestal", Decimal(image.Pedestal));
    header.Line("E_gain", Fixed(image.E_gain, 2));
    header.Line("User_1", TextOrDash(image.User_1, kUserChars));
    header.Line("User_2", TextOrDash(image.User_2, kUserChars));
    header.Line("User_3", TextOrDash(image.User_3, kUserChars));
    header.Line("User_4", TextOrDash(image.User_4, kUserChars));
    header.Line("Filter", TextOrDash(image.Filter, kFilterChars));
    header.Line("Readout_mode", Decimal(image.Readout_mode));
    header.Line("Track_time", Decimal(image.Track_time));
    header.Line("Sat_level", Decimal(image.Sat_level));
    header.Raw("End");
    header.Raw(kNativeLineEnd);
    header.Raw(std::string_view(&kEndOfTextMark, 1));
    return header.Text();
}

std::string NoteTooLong(size_t length) {
    return "The image cannot be saved in this format: its note has " + std::to_string(length) +
           " characters and the format holds " + std::to_string(kNoteChars) +
           ". Shorten the note, or save the image as FITS.";
}

[[noreturn]] void RefuseSave(const CArchive& archive, const char* message) {
    ShowMessage(message);
    throw CFileException(CFileException::generic, archive.GetFilePath(), message);
}

}  // namespace

bool CImage::WriteNativeHeader(char* block) const {
    std::memset(block, 0, kNativeHeaderBytes);
    std::string text = BuildHeaderText(*this);
    // The block must keep at least one terminating zero after the text.
    if (text.size() >= kNativeHeaderBytes) return false;
    std::memcpy(block, text.data(), text.size());
    return true;
}

int CImage::CompressLine(int y, uint8_t* out) const {
    const uint16_t* row = pixels.data() + size_t(y) * size_t(Width);
    uint8_t* body = out + kRowLengthBytes;
    const int rawLength = 2 * Width;
    int n = 0;
    body[n++] = uint8_t(row[0]);
    body[n++] = uint8_t(row[0] >> 8);
    int previous = row[0];
    for (int32_t x = 1; x < Width && n < rawLength; ++x) {
        int delta = int(row[x]) - previous;
        if (delta >= -kMaxDelta && delta <= kMaxDelta) {
            body[n++] = uint8_t(int8_t(delta));
        } else {
            body[n++] = kDeltaEscape;
            body[n++] = uint8_t(row[x]);
            body[n++] = uint8_t(row[x] >> 8);
        }
        previous = row[x];
    }
    if (n >= rawLength) {
        for (int32_t x = 0; x < Width; ++x) {
            body[2 * x] = uint8_t(row[x]);
            body[2 * x + 1] = uint8_t(row[x] >> 8);
        }
        n = rawLength;
    }
    out[0] = uint8_t(n);
    out[1] = uint8_t(n >> 8);
    return n;
}

void WriteNativeArchive(const CImage& image, CArchive& archive) {
    bool sized = image.Width >= 1 && image.Height >= 1 &&
                 image.pixels.size() == size_t(image.Width) * size_t(image.Height);
    if (!sized) RefuseSave(archive, kNoPixelsToSave);
    if (image.Width > kMaxWritableWidth) RefuseSave(archive, kTooWideToSave);
    // The format's reader keeps 78 characters of a note: cutting the rest
    // here would lose it without a word.
    if (image.Note.size() > kNoteChars) RefuseSave(archive, NoteTooLong(image.Note.size()).c_str());

    char block[kNativeHeaderBytes];
    if (!image.WriteNativeHeader(block)) RefuseSave(archive, kHeaderTooLong);
    archive.Write(block, sizeof block);

    std::vector<uint8_t> stored(2 * size_t(image.Width) + 2 * kRowLengthBytes);
    for (int32_t y = 0; y < image.Height; ++y) {
        int length = image.CompressLine(y, stored.data());
        archive.Write(stored.data(), size_t(length) + kRowLengthBytes);
    }
}

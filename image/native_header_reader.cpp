// Parsing of the native file's 2048-byte text header block.

#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

#include "image/image.h"
#include "image/native_io.h"
#include "image/native_layout.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

// The header text ends at its first zero byte or at the end of the block,
// whichever comes first; no search ever looks past it.
std::string_view HeaderText(const char* block) {
    const void* zero = std::memchr(block, 0, kNativeHeaderBytes);
    size_t length = zero ? size_t(static_cast<const char*>(zero) - block) : kNativeHeaderBytes;
    return std::string_view(block, length);
}

// Walks the header one line at a time. The cursor stands on the next line
// not yet consumed, or on none when the text has no further line.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool HasLine() const { return hasLine_; }

    // The current line up to (not including) its line feed.
    std::string_view Line() const {
        if (!hasLine_) return {};
        size_t end = text_.find('\n', start_);
        return text_.substr(start_, end == std::string_view::npos ? std::string_view::npos : end - start_);
    }

    bool LineStartsWith(std::string_view key) const { return hasLine_ && Line().starts_with(key); }

    // Why the walk was refused, when a message can say it.
    std::string problem;

    void Consume() {
        size_t end = hasLine_ ? text_.find(kNativeLineEnd, start_) : std::string_view::npos;
        hasLine_ = end != std::string_view::npos;
        if (hasLine_) start_ = end + kNativeLineEnd.size();
    }

private:
    std::string_view text_;
    size_t start_ = 0;
    bool hasLine_ = true;
};

// The value of a "key = value" line: the first word is skipped unread.
std::optional<std::string_view> PositionalValue(std::string_view line) {
    size_t at = SkipBlanks(line, 0);
    size_t wordStart = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    if (at == wordStart) return std::nullopt;
    at = SkipBlanks(line, at);
    if (at >= line.size() || line[at] != '=') return std::nullopt;
    return line.substr(at + 1);
}

enum class NumberRead { ok, none, junk };

// After the number only blanks may follow: "0x2FD" or "12abc" is no number,
// and reading its leading digits would give the field a value the file
// never stated.
bool OnlyBlanksFrom(const char* at, const char* last) {
    for (; at < last; ++at)
        if (!IsBlank(*at) && *at != '\r') return false;
    return true;
}

template <typename Number>
NumberRead ParseNumber(std::string_view text, Number& value) {
    size_t at = SkipBlanks(text, 0);
    if (at < text.size() && text[at] == '+') ++at;
    const char* first = text.data() + at;
    const char* last = text.data() + text.size();
    if (first == last || *first == '+') return NumberRead::none;
    if constexpr (std::is_unsigned_v<Number>) {
        if (*first == '-') return NumberRead::none;
    }
    std::from_chars_result result;
    Number number{};
    if constexpr (std::is_floating_point_v<Number>)
        result = std::from_chars(first, last, number, std::chars_format::general);
    else
        result = std::from_chars(first, last, number);
    if (result.ec != std::errc()) return NumberRead::none;
    if (!OnlyBlanksFrom(result.ptr, last)) return NumberRead::junk;
    value = number;
    return NumberRead::ok;
}

// The line's key and value as the user may read them in a message.
std::string ShownText(std::string_view text) {
    constexpr size_t kShownChars = 40;
    std::string shown;
    for (char c : text.substr(0, kShownChars)) shown += c >= ' ' && c <= '~' ? c : '?';
    if (text.size() > kShownChars) shown += "...";
    return shown;
}

std::string KeyOf(std::string_view line) {
    size_t at = SkipBlanks(line, 0);
    size_t end = at;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '=') ++end;
    return ShownText(line.substr(at, end - at));
}

std::string JunkProblem(std::string_view key, std::string_view value) {
    value.remove_prefix(SkipBlanks(value, 0));
    while (!value.empty() && (IsBlank(value.back()) || value.back() == '\r')) value.remove_suffix(1);
    return "The image file's header could not be read: " + std::string(key) + " has the value \"" +
           ShownText(value) + "\", which is not a number.";
}

// Text values start at the first non-blank after the "=", are cut to the
// field's capacity, and "-" stands for an empty text.
std::string TextValue(std::string_view value, size_t capacity) {
    value.remove_prefix(SkipBlanks(value, 0));
    value = value.substr(0, capacity);
    if (value == "-") return {};
    return std::string(value);
}

template <typename Number>
bool ReadNumberLine(LineCursor& cursor, Number& field) {
    if (!cursor.HasLine()) return false;
    auto value = PositionalValue(cursor.Line());
    if (!value) return false;
    NumberRead read = ParseNumber(*value, field);
    if (read == NumberRead::junk) cursor.problem = JunkProblem(KeyOf(cursor.Line()), *value);
    if (read != NumberRead::ok) return false;
    cursor.Consume();
    return true;
}

// Note, History and Observer: an unreadable value leaves the field empty.
bool ReadFreeTextLine(LineCursor& cursor, std::string& field, size_t capacity) {
    if (!cursor.HasLine()) return false;
    auto value = PositionalValue(cursor.Line());
    field = value ? TextValue(*value, capacity) : std::string();
    cursor.Consume();
    return true;
}

// Date and Time need at least one character.
bool ReadRequiredTextLine(LineCursor& cursor, std::string& field, size_t capacity) {
    if (!cursor.HasLine()) return false;
    auto value = PositionalValue(cursor.Line());
    if (!value || SkipBlanks(*value, 0) >= value->size()) return false;
    field = TextValue(*value, capacity);
    cursor.Consume();
    return true;
}

bool ReadVersion1Lines(CImage& image, LineCursor& cursor) {
    return ReadNumberLine(cursor, image.Data_version) && ReadNumberLine(cursor, image.Exposure) &&
           ReadNumberLine(cursor, image.Focal_length) && ReadNumberLine(cursor, image.Aperture) &&
           ReadNumberLine(cursor, image.Response_factor) && ReadFreeTextLine(cursor, image.Note, kNoteChars) &&
           ReadNumberLine(cursor, image.display.back) && ReadNumberLine(cursor, image.display.range);
}

bool ReadVersion2Lines(CImage& image, LineCursor& cursor) {
    return ReadNumberLine(cursor, image.Height) && ReadNumberLine(cursor, image.Width) &&
           ReadRequiredTextLine(cursor, image.Date, kDateChars) &&
           ReadRequiredTextLine(cursor, image.Time, kTimeChars) &&
           ReadNumberLine(cursor, image.Exposure_state) && ReadNumberLine(cursor, image.Temperature) &&
           ReadNumberLine(cursor, image.Number_exposures) && ReadNumberLine(cursor, image.Each_exposure) &&
           ReadFreeTextLine(cursor, image.History, kHistoryChars) &&
           ReadFreeTextLine(cursor, image.Observer, kObserverChars);
}

// A keyed line is read only when it begins with its exact key.
template <typename Reader>
void ReadKeyedLine(LineCursor& cursor, std::string_view key, Reader read) {
    if (!cursor.LineStartsWith(key)) return;
    if (read(cursor.Line().substr(key.size()))) cursor.Consume();
}

template <typename Number>
void ReadKeyedNumber(LineCursor& cursor, std::string_view key, Number& field) {
    ReadKeyedLine(cursor, key, [&](std::string_view value) {
        // A line without a number leaves the field as it was; one with
        // something after its number is refused like a positional line.
        if (ParseNumber(value, field) == NumberRead::junk)
            cursor.problem = JunkProblem(key.substr(0, key.find_first_of(" =")), value);
        return true;
    });
}

void ReadUserLines(CImage& image, LineCursor& cursor) {
    std::string* fields[] = {&image.User_1, &image.User_2, &image.User_3, &image.User_4};
    for (std::string* field : fields) field->clear();
    if (!cursor.LineStartsWith(kUserKeys[0])) return;
    for (size_t i = 0; i < 4 && cursor.HasLine(); ++i) {
        if (cursor.LineStartsWith(kUserKeys[i]))
            *fields[i] = TextValue(cursor.Line().substr(kUserKeys[i].size()), kUserChars);
        cursor.Consume();
    }
}

bool ReadVersion3Lines(CImage& image, LineCursor& cursor) {
    if (!(ReadNumberLine(cursor, image.X_pixel_size) && ReadNumberLine(cursor, image.Y_pixel_size) &&
          ReadNumberLine(cursor, image.Pedestal) && ReadNumberLine(cursor, image.E_gain)))
        return false;
    ReadUserLines(image, cursor);
    ReadKeyedLine(cursor, kFilterKey, [&](std::string_view value) {
        image.Filter = TextValue(value, kFilterChars);
        return true;
    });
    ReadKeyedNumber(cursor, kReadoutModeKey, image.Readout_mode);
    ReadKeyedNumber(cursor, kTrackTimeKey, image.Track_time);
    image.Sat_level = CImage::DefaultSatLevel(image.cameraIndex, image.Number_exposures, image.Readout_mode);
    ReadKeyedNumber(cursor, kSatLevelKey, image.Sat_level);
    return cursor.problem.empty();
}

// Versions 4 and 5 describe colour images; their extra values are not kept.
bool ReadColourLines(CImage& image, LineCursor& cursor) {
    uint32_t unusedUnsigned = 0;
    bool firstRead = ReadNumberLine(cursor, unusedUnsigned);
    // Later versions share the version-3 layout, which ends where the
    // version-4 lines would begin.
    if (image.File_version >= kFirstLaterFileVersion) return !firstRead && image.Data_version == 1;
    if (!firstRead || !ReadNumberLine(cursor, unusedUnsigned)) return false;
    if (image.File_version == 4) {
        image.imageKind = 1;
        return image.Data_version == 2;
    }
    int32_t unusedSigned = 0;
    if (!ReadNumberLine(cursor, unusedSigned) || !ReadNumberLine(cursor, unusedSigned)) return false;
    image.imageKind = 2;
    return image.Data_version == 3;
}

bool WalkHeaderLines(CImage& image, LineCursor& cursor) {
    cursor.Consume();  // the camera line
    if (!ReadNumberLine(cursor, image.File_version)) return false;
    // These cameras' version-1 files carry the version-3 lines.
    if ((image.cameraIndex == 2 || image.cameraIndex == 3) && image.File_version == 1) image.File_version = 3;
    if (image.File_version < 1 || image.File_version >= kFileVersionLimit) return false;
    if (!ReadVersion1Lines(image, cursor)) return false;
    if (image.File_version > 1 && !ReadVersion2Lines(image, cursor)) return false;
    if (image.File_version > 2 && !ReadVersion3Lines(image, cursor)) return false;
    if (image.File_version > 3) return ReadColourLines(image, cursor);
    return image.Data_version == 1;
}

}  // namespace

bool CImage::IdentifyNativeFile(const char* block) {
    std::string_view text = HeaderText(block);
    fileType = kFileTypeNotStated;
    cameraIndex = 0;
    if (text.find(kFitsSignature) != std::string_view::npos) {
        fileType = kFileFits;
        return true;
    }

    size_t at = SkipBlanks(text, 0);
    size_t tokenStart = at;
    while (at < text.size() && at - tokenStart < kCameraTokenChars && !IsBlank(text[at]) && text[at] != '\n' &&
           text[at] != '\r')
        ++at;
    if (at == tokenStart) return false;
    cameraName.assign(text.substr(tokenStart, at - tokenStart));

    for (int row = 0; row < kMatchedCameraRows; ++row) {
        if (cameraName == CameraTable[row]) {
            cameraIndex = row;
            break;
        }
    }
    if (cameraIndex == 0 && (cameraName == "QV-2C" || cameraName == "QV-37")) cameraIndex = kOptaCam51Row;

    // One separator character, then the type text up to the line feed.
    if (at >= text.size() || text[at] == '\n') return true;
    std::string_view rest = text.substr(at + 1);
    std::string_view typeText = rest.substr(0, std::min(rest.find('\n'), kTypeTextChars));
    if (typeText.empty()) return true;
    if (typeText == kCompressedTypeText)
        fileType = kFileCompressed;
    else if (typeText == "Track_Log Image")
        fileType = kFileTrackLog;
    else if (typeText == "Track List")
        fileType = kFileTrackList;
    else if (typeText == "Spectroscopy Data")
        fileType = kFileSpectroscopy;
    else
        fileType = kFileUncompressed;
    return true;
}

bool CImage::ParseNativeHeader(const char* block) {
    std::string problem;
    return ParseNativeHeaderBlock(*this, block, problem);
}

bool ParseNativeHeaderBlock(CImage& image, const char* block, std::string& problem) {
    LineCursor cursor(HeaderText(block));
    bool accepted = WalkHeaderLines(image, cursor);
    problem = cursor.problem;
    if (image.Readout_mode == -1) image.Readout_mode = 0;
    if (!accepted || !problem.empty()) return false;
    if (image.E_gain < 0.01) image.E_gain = 2.5;
    if (image.Focal_length < 0.1) image.Focal_length = 80.0;
    if (image.Aperture < 0.1) image.Aperture = 38.0;
    return true;
}

uint32_t CImage::DefaultSatLevel(int32_t cameraIndex, int32_t numberExposures, int32_t readoutMode) {
    switch (cameraIndex) {
    case 2:
    case 3:
        // Co-added 14-bit exposures, as long as they cannot overflow 16 bits.
        if (numberExposures >= 1 && numberExposures < 4) return uint32_t(numberExposures) * 16384u - 1u;
        return 65535;
    case kOptaCam51Row:
        return readoutMode < 1 && numberExposures < 2 ? 32767 : 65535;
    default:
        return 65535;
    }
}

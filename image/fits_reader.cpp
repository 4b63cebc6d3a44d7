#include "image/fits_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "image/fits_fallbacks.h"
#include "image/fits_long_string.h"
#include "image/fits_precision.h"
#include "image/fits_writer.h"
#include "image/image.h"

namespace {

constexpr int kCameraRowsSearched = 15;  // rows 0..14; row 15 is never matched
constexpr int32_t kNoBackground = 0;
constexpr int32_t kFullRange = 65535;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kSquareMillimetresPerSquareInch = 645.16;
constexpr double kMicrometresPerMillimetre = 1000.0;
constexpr int32_t kMetricPedestalOffset = 100;
constexpr size_t kOriginChars = 64;

// The cards the program's FITS writer produces itself; a save must not repeat them.
constexpr const char* kWriterCardPrefixes[] = {
    "SIMPLE  = ", "BITPIX  = ", "NAXIS   = ", "NAXIS1  = ", "NAXIS2  = ", "DATE    = ",
    "BZERO   = ", "BSCALE  = ", "BACKGRND= ", "RANGE   = ", "KESLHIST= ", "COMMENT File created",
};

// Seconds to hundredths, rounded; values beyond the field's range saturate
// instead of overflowing, and a non-number counts as nothing.
int32_t Hundredths(double seconds) {
    double scaled = seconds * 100.0 + 0.5;
    if (std::isnan(scaled))
        return 0;
    if (scaled >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (scaled <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(scaled);
}

std::string FieldText(const char (&text)[FI_TEXT_CHARS], size_t capacity) {
    size_t length = strnlen(text, FI_TEXT_CHARS);
    return std::string(text, length < capacity ? length : capacity);
}

std::string TwoDigitTriple(int first, int second, int third, char separator) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", first, separator, second, separator,
                  third);
    return text;
}

// Every record up to the final terminator: a zero byte inside a card (some
// writers pad with them) must not hide the cards after it.
std::string_view RecordsText(const std::vector<char>& records) {
    size_t length = records.size();
    if (length > 0 && records.back() == '\0')
        --length;
    return std::string_view(records.data(), length);
}

// Reads "NAME  = %ld" at the first occurrence of key in the records.
bool RecordLong(const std::vector<char>& records, const char* key, long& value) {
    std::string_view text = RecordsText(records);
    size_t at = text.find(key);
    if (at == std::string_view::npos)
        return false;
    std::string tail(text.substr(at));
    std::string format = std::string(key) + " %ld";
    return std::sscanf(tail.c_str(), format.c_str(), &value) == 1;
}

bool FitsInt32(long value) {
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
}

int32_t SaturatingAdd(int32_t value, int32_t offset) {
    int64_t sum = int64_t(value) + offset;
    if (sum > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

// The camera: the first table row named anywhere in the instrument text.
void IdentifyCamera(CImage& image, const FITSIMAGEINFO& info) {
    std::string instrument = FieldText(info.instrument, FI_TEXT_CHARS);
    int row = MatchCameraRow(instrument.c_str());
    if (row >= 0) {
        image.cameraIndex = row;
    } else {
        image.cameraIndex = 0;
        image.cameraName = instrument;
    }
}

// Header text of the probed size; a failed request leaves no records.
void ReadHeaderRecords(CImage& image, const std::string& path, int64_t headerTextSize,
                       FitsImportFunction import) {
    image.fitsRecords.clear();
    if (headerTextSize < 1)
        return;
    std::vector<char> text(size_t(headerTextSize), '\0');
    FITSBUFFER buffer{text.data(), text.size(), 0};
    if (import(FI_HEADERTEXT_EX, path.c_str(), &buffer) != FI_OK)
        return;
    text.back() = '\0';
    image.fitsRecords = std::move(text);
}

// The bytes after the primary image (every further HDU), kept for the save.
// A failed request leaves none; the image itself still opens.
void ReadExtensions(CImage& image, const std::string& path, const FITSPROBEEX& probe,
                    FitsImportFunction import) {
    image.fitsExtensions.clear();
    if (probe.extensionBytes == 0)
        return;
    std::vector<char> bytes;
    try {
        bytes.resize(size_t(probe.extensionBytes));
    } catch (const std::bad_alloc&) {
        return;
    }
    FITSBUFFER buffer{bytes.data(), bytes.size(), 0};
    if (import(FI_EXTENSIONS, path.c_str(), &buffer) != FI_OK || buffer.size != bytes.size())
        return;
    image.fitsExtensions = std::move(bytes);
}

// Moves everything an import fills from the staged record into the user's.
void AdoptImport(CImage& image, CImage& staged) {
    image.fileType = kFileFits;
    image.cameraIndex = staged.cameraIndex;
    image.cameraName = staged.cameraName;
    image.display = staged.display;
    image.File_version = staged.File_version;
    image.Data_version = staged.Data_version;
    image.Exposure = staged.Exposure;
    image.Focal_length = staged.Focal_length;
    image.Aperture = staged.Aperture;
    image.Response_factor = staged.Response_factor;
    image.Note = staged.Note;
    image.Observer = staged.Observer;
    image.Height = staged.Height;
    image.Width = staged.Width;
    image.Date = staged.Date;
    image.Time = staged.Time;
    image.Exposure_state = staged.Exposure_state;
    image.Temperature = staged.Temperature;
    image.Number_exposures = staged.Number_exposures;
    image.Each_exposure = staged.Each_exposure;
    image.History = staged.History;
    image.X_pixel_size = staged.X_pixel_size;
    image.Y_pixel_size = staged.Y_pixel_size;
    image.Pedestal = staged.Pedestal;
    image.E_gain = staged.E_gain;
    image.User_1 = staged.User_1;
    image.User_2 = staged.User_2;
    image.User_3 = staged.User_3;
    image.User_4 = staged.User_4;
    image.Filter = staged.Filter;
    image.Readout_mode = staged.Readout_mode;
    image.Track_time = staged.Track_time;
    image.Sat_level = staged.Sat_level;
    image.defaultFields = staged.defaultFields;
    image.X_binning = staged.X_binning;
    image.Y_binning = staged.Y_binning;
    image.fitsRecords = std::move(staged.fitsRecords);
    image.fitsExtensions = std::move(staged.fitsExtensions);
    image.pixels = std::move(staged.pixels);
    image.importRounding = std::move(staged.importRounding);
}

}  // namespace

void CorrectImageInfo(FITSIMAGEINFO& info) {
    if (info.year == 0 || info.month == 0 || info.day == 0) {
        info.year = 1990;
        info.month = 1;
        info.day = 1;
    }
    if (!(info.exposureTime > 0.0))
        info.exposureTime = 1.0;
    if (!(info.eachExposure > 0.0))
        info.eachExposure = 1.0;
    if (info.exposures < 1)
        info.exposures = 1;
    if (!(info.pixelWidth > 0.0))
        info.pixelWidth = 0.009;
    if (!(info.pixelHeight > 0.0))
        info.pixelHeight = 0.009;
    if (info.readoutMode < 0)
        info.readoutMode = 0;
    if (info.readoutMode > 9)
        info.readoutMode = 9;
    if (info.exposureState < 1)
        info.exposureState = 356;
    if (!(info.response > 0.0))
        info.response = 2000.0;
    if (!(info.gain > 0.0))
        info.gain = 1.0;
    if (!(info.focalLength > 0.0))
        info.focalLength = 80.0;
    if (!(info.aperture > 0.0))
        info.aperture = 50.0;
    if (info.background < 0 || info.background > 65535)
        info.background = 0;
    if (info.range < 16 || info.range > 65535)
        info.range = 65535;
    if (info.saturation < 4096)
        info.saturation = 65535;
}

int MatchCameraRow(const char* text) {
    for (int row = 0; row < kCameraRowsSearched; ++row)
        if (std::strstr(text, CameraTable[row]) != nullptr)
            return row;
    return -1;
}

void ChooseDisplayLevels(CImage& image, int32_t background, int32_t range) {
    if (background != kNoBackground || range != kFullRange) {
        image.display.back = background;
        image.display.range = range;
        return;
    }
    long black = 0;
    long white = 0;
    if (!image.fitsRecords.empty() && RecordLong(image.fitsRecords, "CBLACK  =", black) &&
        RecordLong(image.fitsRecords, "CWHITE  =", white) && white > black &&
        FitsInt32(black) && FitsInt32(white - black)) {
        image.display.back = static_cast<int32_t>(black);
        image.display.range = static_cast<int32_t>(white - black);
        return;
    }
    image.display.back = kNoBackground;
    image.display.range = kFullRange;
    image.display.autoContrast = 1;
}

void CopyImageInfo(CImage& image, const FITSIMAGEINFO& info) {
    image.File_version = 3;
    image.Data_version = 1;
    image.Exposure = Hundredths(info.exposureTime);
    image.Focal_length = info.focalLength;
    image.Aperture = info.aperture;
    image.Response_factor = info.response;
    image.Note = FieldText(info.note, kNoteChars);
    image.Observer = FieldText(info.observer, kObserverChars);
    image.Height = info.rows;
    image.Width = info.columns;
    image.Date = TwoDigitTriple(info.month, info.day, info.year % 100, '/');
    image.Time = TwoDigitTriple(info.hour, info.minute, info.second, ':');
    image.Exposure_state = info.exposureState;
    image.Temperature = info.temperature;
    image.Number_exposures = info.exposures;
    image.Each_exposure = Hundredths(info.eachExposure);
    image.History = FieldText(info.history, kHistoryChars);
    image.X_pixel_size = info.pixelWidth;
    image.Y_pixel_size = info.pixelHeight;
    image.Pedestal = info.pedestal;
    image.E_gain = info.gain;
    image.User_1 = FieldText(info.origin, kOriginChars);
    char year[32];
    std::snprintf(year, sizeof year, "Y2KYear = %04d", info.year);
    image.User_2 = year;
    image.User_3.clear();
    image.User_4.clear();
    image.Filter = FieldText(info.filter, kFilterChars);
    image.Readout_mode = info.readoutMode;
    image.Track_time = Hundredths(info.trackTime);
    image.Sat_level = static_cast<uint32_t>(info.saturation);
}

bool RecordsContain(const std::vector<char>& records, const char* text) {
    return !records.empty() && RecordsText(records).find(text) != std::string_view::npos;
}

double RecordNumber(const std::vector<char>& records, const char* keyword, double fallback) {
    if (records.empty())
        return fallback;
    char key[16];
    std::snprintf(key, sizeof key, "%-8.8s=", keyword);
    std::string_view text = RecordsText(records);
    size_t at = text.find(key);
    if (at == std::string_view::npos)
        return fallback;
    std::string tail(text.substr(at + std::strlen(key)));
    const char* start = tail.c_str();
    const char* last = start + tail.size();
    while (*start == ' ')
        ++start;
    if (*start == '+')
        ++start;
    // from_chars reads a point whatever the process locale says.
    double value = 0.0;
    auto [end, error] = std::from_chars(start, last, value);
    if (error != std::errc() || end == start || !std::isfinite(value))
        return fallback;
    return value;
}

void ApplyMetricStandard(CImage& image) {
    if (!RecordsContain(image.fitsRecords, "KESTDVER="))
        return;
    const std::vector<char>& records = image.fitsRecords;
    image.Focal_length = image.Focal_length / kMillimetresPerInch;
    image.Pedestal = SaturatingAdd(image.Pedestal, kMetricPedestalOffset);
    image.Aperture = RecordNumber(records, "APTAREA", 32258.0) / kSquareMillimetresPerSquareInch;
    image.X_pixel_size = RecordNumber(records, "XPIXSZ", 9.0) / kMicrometresPerMillimetre;
    image.Y_pixel_size = RecordNumber(records, "YPIXSZ", 9.0) / kMicrometresPerMillimetre;
    image.E_gain = RecordNumber(records, "EGAIN", 1.0);
}

void RemoveWriterRecords(std::vector<char>& records) {
    if (records.empty())
        return;
    std::string_view text = RecordsText(records);
    std::vector<char> kept;
    kept.reserve(records.size());
    size_t at = 0;
    for (; at + kFitsCardChars <= text.size(); at += kFitsCardChars) {
        std::string_view card = text.substr(at, kFitsCardChars);
        bool own = false;
        for (const char* prefix : kWriterCardPrefixes)
            own = own || card.starts_with(prefix);
        if (!own)
            kept.insert(kept.end(), card.begin(), card.end());
    }
    kept.insert(kept.end(), text.begin() + at, text.end());
    kept.push_back('\0');
    records = std::move(kept);
}

FitsImportOutcome ImportFits(CImage& image, const std::string& path, FitsImportFunction import,
                             FitsScaling* scaling) {
    FITSPROBEEX probe{};
    uint16_t status = import(FI_PROBE_EX, path.c_str(), &probe);
    if (status == FI_NOT_FITS)
        return FitsImportOutcome::notFits;
    if (status != FI_OK || probe.ok == 0)
        return FitsImportOutcome::unsupported;
    FITSIMAGEINFO info{};
    if (import(FI_HEADER, path.c_str(), &info) != FI_OK || info.rows < 1 || info.columns < 1)
        return FitsImportOutcome::unsupported;
    const FitsScaling found = MapFitsHeader(image, path, info, probe.headerTextSize, import);
    if (scaling != nullptr)
        *scaling = found;
    ReadExtensions(image, path, probe, import);
    return FitsImportOutcome::ok;
}

FitsScaling MapFitsHeader(CImage& image, const std::string& path, FITSIMAGEINFO& info,
                          int64_t headerTextSize, FitsImportFunction import) {
    ReadHeaderRecords(image, path, headerTextSize, import);
    uint32_t missing = MissingImageInfo(info, image.fitsRecords);
    ApplyFallbackKeywords(info, image.fitsRecords, missing);
    CorrectImageInfo(info);
    IdentifyCamera(image, info);
    ChooseDisplayLevels(image, info.background, info.range);
    CopyImageInfo(image, info);
    // The library reads a note's first card; one continued in CONTINUE cards
    // is taken whole from the records.
    if (std::optional<std::string> note = ContinuedString(image.fitsRecords, "NOTE"))
        image.Note = note->substr(0, kNoteChars);
    ApplyMetricStandard(image);
    FinishFallbacks(image, missing);
    // Read before the writer's own cards, BZERO and BSCALE among them, go.
    const FitsScaling scaling = ReadFitsScaling(image.fitsRecords);
    RemoveWriterRecords(image.fitsRecords);
    return scaling;
}

FitsImportOutcome ImportFitsImage(CImage& image, const std::string& path,
                                  FitsImportFunction import) {
    CImage staged;
    staged.cameraName = image.cameraName;
    staged.display = image.display;
    FitsScaling scaling;
    FitsImportOutcome outcome = ImportFits(staged, path, import, &scaling);
    if (outcome != FitsImportOutcome::ok)
        return outcome;
    int64_t count = int64_t(staged.Width) * staged.Height;
    static_assert(kMaxImagePixels * sizeof(uint16_t) <= UINT32_MAX,
                  "the pixel buffer's capacity must fit the library's 32-bit field");
    if (count > kMaxImagePixels)
        return FitsImportOutcome::tooLarge;
    try {
        staged.pixels.assign(size_t(count), 0);
    } catch (const std::bad_alloc&) {
        return FitsImportOutcome::tooLarge;
    }
    FITSBUFFER buffer{staged.pixels.data(), staged.pixels.size() * sizeof(uint16_t), 0};
    if (import(FI_PIXELS_EX, path.c_str(), &buffer) != FI_OK)
        return FitsImportOutcome::failed;
    staged.importRounding = DescribeRounding(scaling, staged.pixels);
    AdoptImport(image, staged);
    return FitsImportOutcome::ok;
}

const char* FitsImportFailureText(FitsImportOutcome outcome) {
    switch (outcome) {
    case FitsImportOutcome::ok:
        return "";
    case FitsImportOutcome::notFits:
        return "The file could not be opened as a FITS file.";
    case FitsImportOutcome::unsupported:
        return "The FITS file could not be opened: its header is damaged, or it does not hold "
               "a 16-bit image with two axes.";
    case FitsImportOutcome::tooLarge:
        return "The FITS image is too large to open.";
    case FitsImportOutcome::failed:
        break;
    }
    return "The pixels of the FITS file could not be read: Quorvane opens plain 16-bit "
           "images with two axes.";
}

void AdoptImportedRecord(CImage& image, CImage& staged) { AdoptImport(image, staged); }

std::string FitsImportFailureCause(FitsImportOutcome outcome, const std::string& path,
                                   FitsImportFunction import) {
    FITSIMPORTERROR error{};
    if (import(FI_LASTERROR, path.c_str(), &error) != FI_OK)
        return FitsImportFailureText(outcome);
    const std::string detail(error.detail, strnlen(error.detail, sizeof error.detail));
    const std::string particulars = detail.empty() ? "" : " " + detail;
    switch (error.cause) {
    case FIC_TRUNCATED:
        return "The FITS file is cut short: its header declares more data than the file holds" +
               particulars + ".";
    case FIC_PACKED:
        return "The file is a packed FITS file, which Quorvane does not open; unpack it first "
               "(orbex-tool unpack IN OUT).";
    case FIC_MEMORY:
        return "There is not enough memory to read the FITS image.";
    case FIC_READ:
        return "The FITS file could not be read" + particulars + ".";
    case FIC_NOT_REGULAR:
        return "The file is not a regular file.";
    case FIC_NOT_FITS:
        return "The FITS file's header is damaged or incomplete.";
    default:
        break;
    }
    return FitsImportFailureText(outcome);
}

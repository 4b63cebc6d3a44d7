#pragma once
// The in-memory form of one camera image: native header fields, the 16-bit
// pixels, the modification history and what a FITS import carries along.
// Widget-free: loading and saving go through the platform archive.

#include <cstdint>
#include <string>
#include <vector>

#include "image/display_settings.h"
#include "image/field_defaults.h"

class CArchive;

// Rows of the camera table; a native file's first token is matched against it.
inline constexpr int kCameraCount = 16;
extern const char* const CameraTable[kCameraCount];

// History code N is stored in History as the character 64 + N.
inline constexpr int kHistoryCodeCount = 45;
extern const char* const HistoryCode[kHistoryCodeCount];

extern const char* const ImageKindName[3];
extern const char* const FileTypeName[4];

enum HistoryCodes : int {
    kHistoryMore = 15,
    kHistoryFlipHorizontal = 12,
    kHistoryFlipVertical = 13,
    kHistoryDeconvolve = 40,
};

enum FileTypes : int32_t {
    kFileCompressed = 0,
    kFileUncompressed = 1,
    kFileFits = 3,
    kFileTrackLog = 5,
    kFileSpectroscopy = 6,
    kFileTrackList = 7,
    kFileTypeNotStated = 8,
};

// Capacities of the text fields, in characters.
inline constexpr size_t kNoteChars = 78;
inline constexpr size_t kDateChars = 8;
inline constexpr size_t kTimeChars = 8;
inline constexpr size_t kHistoryChars = 40;
inline constexpr size_t kObserverChars = 30;
inline constexpr size_t kFilterChars = 10;
inline constexpr size_t kUserChars = 64;

// The largest image the program accepts, per side and in total pixels.
inline constexpr int32_t kMaxImageSide = 65535;
inline constexpr int64_t kMaxImagePixels = int64_t(1) << 30;

inline constexpr size_t kNativeHeaderBytes = 2048;

class CImage {
public:
    CImage();
    ~CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Loads (archive loading) or saves (archive storing) the whole file.
    // Failures throw CFileException.
    void Serialize(CArchive& ar);

    void AddHistory(int code);
    void FlipHorizontal();
    void FlipVertical();

    // Native format pieces (reader and writer).
    bool IdentifyNativeFile(const char* block);
    bool ParseNativeHeader(const char* block);
    static uint32_t DefaultSatLevel(int32_t cameraIndex, int32_t numberExposures,
                                    int32_t readoutMode);
    bool ExpandLine(int storedLength, const uint8_t* stored, uint16_t* row) const;
    // Fills the 2048-byte block; false when the text would not fit.
    bool WriteNativeHeader(char* block) const;
    // Returns the stored length L; out holds L (2 bytes LE) then L bytes.
    int CompressLine(int y, uint8_t* out) const;

    // Texts describing the image.
    void ExposureStateText(std::string& text) const;
    void ParametersReport(std::string& text, const std::string& documentTitle) const;

    uint16_t At(int x, int y) const { return pixels[size_t(y) * size_t(Width) + size_t(x)]; }
    bool HasPixels() const { return !pixels.empty(); }

    std::string cameraName;
    void* document = nullptr;  // the owning document, set after a successful load
    double Focal_length = 0.0;
    double Aperture = 0.0;
    double Response_factor = 0.0;
    int32_t Exposure = 0;
    int32_t Track_time = 0;
    std::string Note;
    std::string Date;
    std::string Time;
    double Temperature = -99.99;
    int32_t Number_exposures = 1;
    int32_t Each_exposure = 100;
    std::string History = "@";
    std::string Observer = "???";
    int32_t Exposure_state = 0;
    double X_pixel_size = 0.023;
    double Y_pixel_size = 0.027;
    int32_t Pedestal = 0;
    double E_gain = 6.7;
    int32_t Height = 241;
    int32_t Width = 375;
    int32_t cameraIndex = 4;
    DisplaySettings display;
    int32_t imageKind = 0;
    int32_t fileType = kFileCompressed;
    std::string Filter = "Unknown";
    int32_t Readout_mode = -1;
    std::string User_1, User_2, User_3, User_4;
    uint32_t Sat_level = 65535;
    int32_t File_version = 0;
    int32_t Data_version = 0;
    // DefaultField bits: fields a FITS import filled with a stand-in value.
    uint32_t defaultFields = 0;
    // Binning from a FITS file's XBINNING/YBINNING; 0 when not stated.
    int32_t X_binning = 0;
    int32_t Y_binning = 0;

    std::vector<uint16_t> pixels;
    // Header records of an imported FITS file, 80 characters each, followed
    // by one terminating zero; the vector's size counts the terminator.
    std::vector<char> fitsRecords;
    // Every HDU after the primary one of an imported FITS file, byte for
    // byte; a FITS save writes them back after the image.
    std::vector<char> fitsExtensions;
    // Why the pixels differ from the values of the FITS file they were read
    // from (scaled or out-of-range values rounded); empty when kept exactly.
    std::string importRounding;
    std::string fitsHistoryCards;
    std::string fitsHeaderText;
};

#include "image/texts.h"

#include <cmath>

#include "image/image.h"
#include "platform/format.h"

namespace {

// Camera rows with their own readout tables.
constexpr int32_t kCameraQv1x = 2;
constexpr int32_t kCameraQv3 = 4;
constexpr int32_t kCameraQv4 = 6;
constexpr int32_t kCameraQv5 = 7;

const char* const kQv3Modes[] = {
    "High HRes Off-Chip", "High",  "Medium", "Low", "High HRes On-Chip", "Spectroscopy High",
    "Spectroscopy Medium", "Spectroscopy Low", "Spectroscopy Extra Medium", "Spectroscopy Extra High"};
const char* const kQv45Modes[] = {"High", "Medium", "Low",    "1xN",    "2xN",
                                  "3xN",  "Hi-DS",  "Med-DS", "Low-DS", "Unknown"};
const char* const kOtherModes[] = {"High", "Low", "Unknown"};

const char* const kUnknown = "Unknown";

// File types past the four named ones: 5 track log, 6 spectroscopy, 7 track list, 8 not stated.
constexpr int32_t kFirstExtraFileType = kFileTrackLog;
const char* const kExtraFileTypes[] = {"Track Log", "Spectroscopy", "Track List", "Not Stated"};

// History characters: codes from '@', then characters reserved for future codes.
constexpr unsigned char kFirstCodeChar = 64;
constexpr unsigned char kFirstFutureChar = kFirstCodeChar + kHistoryCodeCount;  // 'm'
constexpr unsigned char kFirstExternalHigh = 127;
constexpr size_t kNamesPerLine = 5;
const char* const kNoHistory = "0";

// Labels of the printed report are left-aligned in this many columns.
constexpr int kLabelColumns = 20;
constexpr double kArcsecPerRadian = 206264.808;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kMicronsPerMillimetre = 1000.0;
constexpr double kHundredths = 100.0;
const char* const kDegreesCelsius = "\u00B0C";
// The arc-second sign (double prime), in UTF-8 like the degree sign.
const char* const kArcSeconds = "\u2033";

// A value the file did not give is marked, so no stand-in reads as a fact.
const char* const kDefaultMark = " (default)";

std::string Marked(std::string text, const CImage& image, uint32_t fields) {
    if ((image.defaultFields & fields) != 0) text += kDefaultMark;
    return text;
}

template <size_t N>
const char* Lookup(const char* const (&table)[N], int32_t index) {
    return index >= 0 && size_t(index) < N ? table[index] : kUnknown;
}

// Seconds of arc a pixel of this size spans; 0 without a focal length, so
// that the sheet never shows an infinite angle.
double AngularSize(double pixelSizeMm, double focalLengthInches) {
    const double size = pixelSizeMm * kArcsecPerRadian / (focalLengthInches * kMillimetresPerInch);
    return std::isfinite(size) ? size : 0.0;
}

std::string PixelSizeText(const CImage& image, const char* gap) {
    const std::string size = Marked(Format("%1.1lf x %1.1lf microns", image.X_pixel_size * kMicronsPerMillimetre,
                                           image.Y_pixel_size * kMicronsPerMillimetre),
                                    image, kDefaultPixelWidth | kDefaultPixelHeight);
    return size + Format("%s(%1.1lf x %1.1lf %s)", gap, AngularSize(image.X_pixel_size, image.Focal_length),
                         AngularSize(image.Y_pixel_size, image.Focal_length), kArcSeconds);
}

std::string ExposuresText(const CImage& image) {
    if (image.Number_exposures == 1) return Marked(Format("%d", int(image.Number_exposures)), image, kDefaultExposures);
    return Format("%d @ %3.2lf seconds each", int(image.Number_exposures), image.Each_exposure / kHundredths);
}

std::string TemperatureText(const CImage& image) {
    if (image.cameraIndex == kCameraQv1x) return "Unregulated";
    return Marked(Format("%2.2lf %s", image.Temperature, kDegreesCelsius), image, kDefaultTemperature);
}

std::string DateText(const CImage& image) {
    return Marked(Format("%s @ %s", image.Date.c_str(), image.Time.c_str()), image, kDefaultDate);
}

std::string ExposureText(const CImage& image) {
    return Marked(Format("%3.2lf Seconds", image.Exposure / kHundredths), image, kDefaultExposure);
}

// A file that names no readout mode but states its binning shows the binning.
std::string ReadoutText(const CImage& image) {
    if ((image.defaultFields & kDefaultReadoutMode) && image.X_binning > 0 && image.Y_binning > 0)
        return Format("Binned %d x %d", int(image.X_binning), int(image.Y_binning));
    return Marked(ReadoutModeName(image.cameraIndex, image.Readout_mode), image, kDefaultReadoutMode);
}

std::string ResponseText(const CImage& image) {
    return Marked(Format("%3.2lf", image.Response_factor), image, kDefaultResponse) + " @ " +
           Marked(Format("%1.2lf", image.E_gain), image, kDefaultGain) + " Photons/ADU";
}

std::string FocalLengthText(const CImage& image) {
    return Marked(Format("%2.2lf Inches", image.Focal_length), image, kDefaultFocalLength);
}

std::string ApertureText(const CImage& image) {
    return Marked(Format("%2.3lf Square Inches", image.Aperture), image, kDefaultAperture);
}

std::string TrackingText(const CImage& image) {
    if (image.Track_time == 0) return kUnknown;
    return Format("Self Guided at %1.2lf Rate", image.Track_time / kHundredths);
}

std::string ExposureState(const CImage& image) {
    std::string text;
    image.ExposureStateText(text);
    return Marked(text, image, kDefaultExposureState);
}

// The sheet names an unlisted camera by the token read from the file.
const char* SheetCameraText(const CImage& image) {
    if (image.cameraIndex == 0) return image.cameraName.c_str();
    return CameraRowText(image.cameraIndex);
}

void AppendLine(std::string& text, const char* label, const std::string& value) {
    AppendFormat(text, "\n  %-*s%s", kLabelColumns, label, value.c_str());
}

}  // namespace

const char* ReadoutModeName(int32_t cameraIndex, int32_t readoutMode) {
    if (cameraIndex == kCameraQv3) return Lookup(kQv3Modes, readoutMode);
    if (cameraIndex == kCameraQv4 || cameraIndex == kCameraQv5) return Lookup(kQv45Modes, readoutMode);
    return Lookup(kOtherModes, readoutMode);
}

const char* FileTypeText(int32_t fileType) {
    if (fileType >= 0 && fileType < 4) return FileTypeName[fileType];
    return Lookup(kExtraFileTypes, fileType - kFirstExtraFileType);
}

const char* ImageKindText(int32_t imageKind) { return Lookup(ImageKindName, imageKind); }

const char* CameraRowText(int32_t cameraIndex) {
    return CameraTable[cameraIndex >= 0 && cameraIndex < kCameraCount ? cameraIndex : 0];
}

const char* HistoryEntryName(unsigned char entry) {
    if (entry < kFirstCodeChar || entry >= kFirstExternalHigh) return "External";
    if (entry >= kFirstFutureChar) return "Future KESL";
    return HistoryCode[entry - kFirstCodeChar];
}

const std::array<const char*, kParameterFieldCount> ParameterFieldLabels = {
    "Image Name:",      "Observation Date:", "Observer:",      "Note:",          "Camera/Image:",
    "Exposure:",        "Exposures:",        "Pedestal:",      "Image Size:",    "Resolution Mode:",
    "Pixel Size:",      "Exposure State:",   "Temperature:",   "Response Factor:", "Focal Length:",
    "Aperture:",        "Optical Filter:",   "Tracking: "};

std::array<std::string, kParameterFieldCount> ParameterFieldTexts(const CImage& image,
                                                                  const std::string& documentTitle) {
    return {
        Format("%s  (%s)", documentTitle.c_str(), FileTypeText(image.fileType)),
        DateText(image),
        image.Observer,
        image.Note,
        Format("%s  /  %s", SheetCameraText(image), ImageKindText(image.imageKind)),
        ExposureText(image),
        ExposuresText(image),
        Format("%ld", long(image.Pedestal)),
        Format("%d Pixels Wide x %d Pixels High", int(image.Width), int(image.Height)),
        ReadoutText(image),
        PixelSizeText(image, "     "),
        ExposureState(image),
        TemperatureText(image),
        ResponseText(image),
        FocalLengthText(image),
        ApertureText(image),
        image.Filter,
        TrackingText(image),
    };
}

std::string ModificationsTitleText(const std::string& documentTitle) {
    return "\"" + documentTitle + "\":";
}

std::string ModificationsListText(const std::string& history) {
    if (history == kNoHistory) return "--- None ---";
    std::string list;
    for (size_t i = 0; i < history.size(); ++i) {
        if (i > 0 && i % kNamesPerLine == 0) list += '\n';
        AppendFormat(list, "%-13s", HistoryEntryName(static_cast<unsigned char>(history[i])));
    }
    return list;
}

void CImage::ExposureStateText(std::string& text) const {
    constexpr int32_t kRateMask = 0xC0, kGateMask = 0x03, kDcsMask = 0x0C, kDcrMask = 0x30, kAblBit = 0x100;
    static const char* const kGate[] = {"???", "Off", "Clocked", "Mid"};
    static const char* const kRate[] = {"", "Low Rate", "Med Rate", "Hi Rate"};
    static const char* const kYesNo[] = {"???", "Yes", "No", "???"};
    const int32_t s = Exposure_state;

    text += "ABG-";
    text += (s & kRateMask) == 0 ? kGate[s & kGateMask] : kRate[(s & kRateMask) >> 6];
    text += "  DCS-";
    text += kYesNo[(s & kDcsMask) >> 2];
    text += "  DCR-";
    text += kYesNo[(s & kDcrMask) >> 4];
    text += "  ABL-";
    text += (s & kAblBit) ? "Yes" : "No";
}

void CImage::ParametersReport(std::string& text, const std::string& documentTitle) const {
    text = "Image Parameters";
    AppendLine(text, "Image Name:", Format("%s (%s)", documentTitle.c_str(), FileTypeText(fileType)));
    AppendLine(text, "Observation Date:", DateText(*this));
    AppendLine(text, "Observer:", Observer);
    AppendLine(text, "Note:", Note);
    text += "\n\nCCD Parameters";
    // The printed page names an unlisted camera "Unknown", unlike the sheet.
    AppendLine(text, "Camera/Image:", Format("%s / %s", CameraRowText(cameraIndex), ImageKindText(imageKind)));
    AppendLine(text, "Exposure:", ExposureText(*this));
    AppendLine(text, "Exposures:", ExposuresText(*this));
    AppendLine(text, "Pedestal:", Format("%ld", long(Pedestal)));
    AppendLine(text, "Image Size:", Format("%d Pixels Wide x %d Pixels High", int(Width), int(Height)));
    AppendLine(text, "Resolution:", ReadoutText(*this));
    AppendLine(text, "Pixel Size:", PixelSizeText(*this, " "));
    AppendLine(text, "Exposure State:", ExposureState(*this));
    AppendLine(text, "Temperature:", TemperatureText(*this));
    AppendLine(text, "Response Factor:", ResponseText(*this));
    text += "\n\nTelescope Parameters";
    AppendLine(text, "Focal Length:", FocalLengthText(*this));
    AppendLine(text, "Aperture:", ApertureText(*this));
    AppendLine(text, "Optical Filter:", Filter);
    AppendLine(text, "Tracking:", TrackingText(*this));
}

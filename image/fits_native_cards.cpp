#include "image/fits_native_cards.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "image/fits_long_string.h"
#include "image/fits_writer.h"
#include "image/image.h"

namespace {

constexpr int kCenturyPivot = 70;  // two-digit years from 70 on are 19xx

// A native date is "MM/DD/YY"; the four-digit year comes from the record's
// "Y2KYear" line when it agrees, otherwise from the two digits.
bool ObservationDate(const CImage& image, std::string& text) {
    int month = 0, day = 0, year = 0;
    char extra = 0;
    if (std::sscanf(image.Date.c_str(), "%2d/%2d/%2d%c", &month, &day, &year, &extra) != 3)
        return false;
    int fullYear = year < kCenturyPivot ? 2000 + year : 1900 + year;
    int stated = 0;
    if (std::sscanf(image.User_2.c_str(), "Y2KYear = %d", &stated) == 1 && stated % 100 == year)
        fullYear = stated;
    char date[64];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", fullYear, month, day);
    text = date;
    int hour = 0, minute = 0, second = 0;
    if (std::sscanf(image.Time.c_str(), "%2d:%2d:%2d%c", &hour, &minute, &second, &extra) == 3) {
        std::snprintf(date, sizeof date, "T%02d:%02d:%02d", hour, minute, second);
        text += date;
    }
    return true;
}

void AddReal(std::string& cards, const char* key, double value) {
    if (std::isfinite(value))
        AppendRealCard(cards, key, value);
}

void AddText(std::string& cards, const char* key, const std::string& value) {
    if (!value.empty())
        AppendStringCard(cards, key, value);
}

std::string CameraText(const CImage& image) {
    if (image.cameraIndex > 0 && image.cameraIndex < kCameraCount)
        return CameraTable[image.cameraIndex];
    return image.cameraName;
}

void AddObservation(std::string& cards, const CImage& image) {
    std::string date;
    if (ObservationDate(image, date))
        AppendStringCard(cards, "DATE-OBS= ", date);
    AddText(cards, "INSTRUME= ", CameraText(image));
    AddText(cards, "ORIGIN  = ", image.User_1);
    AddText(cards, "OBSERVER= ", image.Observer);
    // A note may be longer than one card: it goes on in CONTINUE cards.
    if (!image.Note.empty())
        AppendLongStringCards(cards, "NOTE    = ", image.Note);
    AddText(cards, "FILTER  = ", image.Filter);
}

void AddExposure(std::string& cards, const CImage& image) {
    AddReal(cards, "EXPTIME = ", image.Exposure / 100.0);
    AppendIntegerCard(cards, "SNAPSHOT= ", image.Number_exposures);
    AddReal(cards, "EACHSNAP= ", image.Each_exposure / 100.0);
    AddReal(cards, "TRAKTIME= ", image.Track_time / 100.0);
    AppendIntegerCard(cards, "RESMODE = ", image.Readout_mode);
    char state[16];
    std::snprintf(state, sizeof state, "%X", unsigned(image.Exposure_state) & 0xFFFFu);
    AppendStringCard(cards, "EXPSTATE= ", state);
    AddReal(cards, "CCD-TEMP= ", image.Temperature);
    AddReal(cards, "DATAMAX = ", double(image.Sat_level));
    AppendIntegerCard(cards, "PEDESTAL= ", image.Pedestal);
}

void AddOptics(std::string& cards, const CImage& image) {
    AddReal(cards, "PIXWIDTH= ", image.X_pixel_size);
    AddReal(cards, "PIXHEIGH= ", image.Y_pixel_size);
    AddReal(cards, "RESPONSE= ", image.Response_factor);
    AddReal(cards, "GAIN    = ", image.E_gain);
    AddReal(cards, "FOCALLEN= ", image.Focal_length);
    AddReal(cards, "APERTURE= ", image.Aperture);
}

}  // namespace

std::vector<char> NativeFieldRecords(const CImage& image) {
    std::string cards;
    AddObservation(cards, image);
    AddExposure(cards, image);
    AddOptics(cards, image);
    std::vector<char> records(cards.begin(), cards.end());
    records.push_back('\0');
    return records;
}

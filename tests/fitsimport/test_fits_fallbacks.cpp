// Keywords of the amateur convention stand in for missing native keywords;
// native keywords always win, and stand-in defaults are marked as such.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "fits_test_files.h"
#include "image/image.h"
#include "image/texts.h"
#include "measure/crosshair.h"
#include "measure/star_width.h"
#include "platform/archive.h"

using namespace fitstest;

namespace {

std::string Script(const std::string& name) { return std::string(QV_FITSIMPORT_SCRIPTS) + "/" + name; }

void Load(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::load);
    image.Serialize(ar);
}

struct KeywordCase {
    const char* name;
    const char* cards;  // JSON object of the keywords astropy writes
    std::function<void(const CImage&)> check;
};

constexpr double kInch = 25.4;
constexpr double kSquareInch = 645.16;

bool IsDefault(const CImage& image, uint32_t bit) { return (image.defaultFields & bit) != 0; }

const std::vector<KeywordCase>& Cases() {
    static const std::vector<KeywordCase> cases = {
        {"xpixsz", R"({"XPIXSZ": 6.45, "YPIXSZ": 7.4})",
         [](const CImage& i) {
             EXPECT_DOUBLE_EQ(i.X_pixel_size, 0.00645);
             EXPECT_DOUBLE_EQ(i.Y_pixel_size, 0.0074);
             EXPECT_FALSE(IsDefault(i, kDefaultPixelWidth | kDefaultPixelHeight));
         }},
        {"pixwidth_wins", R"({"XPIXSZ": 6.45, "PIXWIDTH": 0.012, "PIXHEIGH": 0.011})",
         [](const CImage& i) {
             EXPECT_DOUBLE_EQ(i.X_pixel_size, 0.012);
             EXPECT_DOUBLE_EQ(i.Y_pixel_size, 0.011);
         }},
        {"focallen_mm", R"({"XPIXSZ": 3.76, "FOCALLEN": 800.0})",
         [](const CImage& i) {
             EXPECT_NEAR(i.Focal_length, 800.0 / kInch, 1e-9);
             EXPECT_FALSE(IsDefault(i, kDefaultFocalLength));
         }},
        {"focallen_integer_mm", R"({"SBSTDVER": "SBFITSEXT Version 1.0", "FOCALLEN": 1000})",
         [](const CImage& i) { EXPECT_NEAR(i.Focal_length, 1000.0 / kInch, 1e-9); }},
        {"focallen_inches_alone", R"({"FOCALLEN": 80.5})",
         [](const CImage& i) { EXPECT_DOUBLE_EQ(i.Focal_length, 80.5); }},
        {"focallen_inches_native", R"({"XPIXSZ": 9.0, "PIXWIDTH": 0.009, "FOCALLEN": 60.0})",
         [](const CImage& i) { EXPECT_DOUBLE_EQ(i.Focal_length, 60.0); }},
        {"aptdia", R"({"APTDIA": 200.0})",
         [](const CImage& i) {
             EXPECT_NEAR(i.Aperture, std::numbers::pi * 100.0 * 100.0 / kSquareInch, 1e-9);
             EXPECT_FALSE(IsDefault(i, kDefaultAperture));
         }},
        {"aptarea_first", R"({"APTAREA": 25000.0, "APTDIA": 200})",
         [](const CImage& i) { EXPECT_NEAR(i.Aperture, 25000.0 / kSquareInch, 1e-9); }},
        {"aperture_wins", R"({"APERTURE": 10.5, "APTDIA": 200.0})",
         [](const CImage& i) { EXPECT_DOUBLE_EQ(i.Aperture, 10.5); }},
        {"exposure", R"({"EXPOSURE": 30})",
         [](const CImage& i) {
             EXPECT_EQ(i.Exposure, 3000);
             EXPECT_FALSE(IsDefault(i, kDefaultExposure));
         }},
        {"exptime_wins", R"({"EXPTIME": 5.0, "EXPOSURE": 30.0})",
         [](const CImage& i) { EXPECT_EQ(i.Exposure, 500); }},
        {"set_temp", R"({"SET-TEMP": -15.0})",
         [](const CImage& i) {
             EXPECT_DOUBLE_EQ(i.Temperature, -15.0);
             EXPECT_FALSE(IsDefault(i, kDefaultTemperature));
         }},
        {"ccd_temp_wins", R"({"CCD-TEMP": -10.5, "SET-TEMP": -15.0})",
         [](const CImage& i) { EXPECT_DOUBLE_EQ(i.Temperature, -10.5); }},
        {"egain", R"({"EGAIN": 1.3})",
         [](const CImage& i) {
             EXPECT_DOUBLE_EQ(i.E_gain, 1.3);
             EXPECT_FALSE(IsDefault(i, kDefaultGain));
         }},
        {"gain_wins", R"({"GAIN": 2.0, "EGAIN": 1.3})",
         [](const CImage& i) { EXPECT_DOUBLE_EQ(i.E_gain, 2.0); }},
        {"binning", R"({"XBINNING": 2, "YBINNING": 3})",
         [](const CImage& i) {
             EXPECT_EQ(i.X_binning, 2);
             EXPECT_EQ(i.Y_binning, 3);
             EXPECT_EQ(ParameterFieldTexts(i, "b")[9], "Binned 2 x 3");
         }},
        {"resmode_wins", R"({"RESMODE": 1, "XBINNING": 2, "YBINNING": 2})",
         [](const CImage& i) { EXPECT_EQ(ParameterFieldTexts(i, "b")[9], "Low"); }},
        {"instrument", R"({"INSTRUME": "Acme CMOS 294"})",
         [](const CImage& i) {
             EXPECT_EQ(i.cameraIndex, 0);
             EXPECT_EQ(i.cameraName, "Acme CMOS 294");
         }},
        {"object", R"({"OBJECT": "M 51"})", [](const CImage& i) { EXPECT_EQ(i.Note, "M 51"); }},
        {"note_wins", R"({"OBJECT": "M 51", "NOTE": "thin clouds"})",
         [](const CImage& i) { EXPECT_EQ(i.Note, "thin clouds"); }},
        {"date_fraction", R"({"DATE-OBS": "2021-09-14T22:31:07.123456"})",
         [](const CImage& i) {
             EXPECT_EQ(i.Date, "09/14/21");
             EXPECT_EQ(i.Time, "22:31:07");
             EXPECT_FALSE(IsDefault(i, kDefaultDate));
         }},
        {"date_blank", R"({"DATE-OBS": "2021-09-14 22:31:07.5"})",
         [](const CImage& i) {
             EXPECT_EQ(i.Date, "09/14/21");
             EXPECT_EQ(i.Time, "22:31:07");
         }},
        {"time_obs_fraction", R"({"DATE-OBS": "2021-09-14", "TIME-OBS": "22:31:07.25"})",
         [](const CImage& i) { EXPECT_EQ(i.Time, "22:31:07"); }},
    };
    return cases;
}

std::string TableJson() {
    std::string json = "{";
    for (const KeywordCase& c : Cases())
        json += (json.size() > 1 ? ", \"" : "\"") + std::string(c.name) + "\": " + c.cards;
    return json + "}";
}

}  // namespace

// Each keyword of the convention, in the unit it is written in, reaches its
// record field; where the native keyword is present too, the native one wins.
TEST(FitsFallbacks, EachKeywordAndUnitFromAstropyFiles) {
    TempFolder folder;
    ASSERT_EQ(RunPython(Script("make_keyword_files.py"), {folder.Path(""), TableJson()}), 0);
    for (const KeywordCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        CImage image;
        Load(image, folder.Path(std::string(c.name) + ".fits"));
        c.check(image);
    }
}

// A file that states nothing has every stand-in marked on the sheet and the
// printed text, while the numbers themselves stay the usual defaults.
TEST(FitsFallbacks, DefaultsAreMarkedNotShownAsFacts) {
    TempFolder folder;
    ASSERT_EQ(RunPython(Script("make_keyword_files.py"),
                        {folder.Path(""), R"({"bare": {}, "stated": {"PIXWIDTH": 0.009, "PIXHEIGH": 0.009,
                          "FOCALLEN": 80.0, "EXPTIME": 1.0, "DATE-OBS": "2020-01-02T03:04:05"}})"}),
              0);
    CImage bare;
    Load(bare, folder.Path("bare.fits"));
    auto fields = ParameterFieldTexts(bare, "bare.fits");
    EXPECT_EQ(fields[1], "01/01/90 @ 00:00:00 (default)");
    EXPECT_EQ(fields[5], "1.00 Seconds (default)");
    EXPECT_EQ(fields[10].rfind("9.0 x 9.0 microns (default)     (", 0), 0u) << fields[10];
    EXPECT_EQ(fields[13], "2000.00 (default) @ 1.00 (default) Photons/ADU");
    EXPECT_EQ(fields[14], "80.00 Inches (default)");
    EXPECT_EQ(fields[15], "50.000 Square Inches (default)");
    EXPECT_DOUBLE_EQ(bare.X_pixel_size, 0.009);
    std::string report;
    bare.ParametersReport(report, "bare.fits");
    EXPECT_NE(report.find("80.00 Inches (default)"), std::string::npos);

    CImage stated;
    Load(stated, folder.Path("stated.fits"));
    fields = ParameterFieldTexts(stated, "stated.fits");
    EXPECT_EQ(fields[1], "01/02/20 @ 03:04:05");
    EXPECT_EQ(fields[5], "1.00 Seconds");
    EXPECT_EQ(fields[10].find("(default)"), std::string::npos);
    EXPECT_EQ(fields[14], "80.00 Inches");
}

// The real capture-program file shows its 6.45 µm pixels, and the seeing at
// a star follows from them instead of from the 9 µm stand-in.
TEST(FitsFallbacks, RealCaptureFileUsesItsPixelSize) {
    CImage image;
    Load(image, std::string(QV_SHARED_DATA) + "/M13_blue_0001.fits");
    EXPECT_DOUBLE_EQ(image.X_pixel_size, 0.00645);
    EXPECT_DOUBLE_EQ(image.Y_pixel_size, 0.00645);
    EXPECT_EQ(image.Exposure, 500);
    EXPECT_FALSE(IsDefault(image, kDefaultPixelWidth | kDefaultPixelHeight));
    EXPECT_TRUE(IsDefault(image, kDefaultFocalLength));
    EXPECT_EQ(ParameterFieldTexts(image, "m13")[10].rfind("6.5 x 6.5 microns     (0.7 x 0.7 \u2033)", 0), 0u)
        << ParameterFieldTexts(image, "m13")[10];

    // The brightest 5 x 5 patch, in the cluster's core: the seeing there
    // scales with the pixel size the file states.
    const int x = 671, y = 504;
    CrosshairReadout readout = MeasureAtCursor(image, x, y, 15);
    ASSERT_GT(readout.seeingX, 0.0);
    ASSERT_LT(readout.seeingX, kMaximumSeeing);
    CImage nine;
    Load(nine, std::string(QV_SHARED_DATA) + "/M13_blue_0001.fits");
    nine.X_pixel_size = 0.009;
    EXPECT_NEAR(MeasureAtCursor(nine, x, y, 15).seeingX / readout.seeingX, 9.0 / 6.45, 0.01);
}

#include <gtest/gtest.h>

#include <cmath>

#include "image/image.h"
#include "image/texts.h"

namespace {

std::string StateText(int32_t state) {
    CImage image;
    image.Exposure_state = state;
    std::string text = "x";
    image.ExposureStateText(text);
    return text;
}

std::string Padded(const char* name) {
    std::string s = name;
    s.resize(13, ' ');
    return s;
}

}  // namespace

// Exposure-state bits: gate or clocking rate, DCS, DCR and ABL, appended to the text.
TEST(ExposureState, DecodesBits) {
    EXPECT_EQ(StateText(356), "xABG-Low Rate  DCS-Yes  DCR-No  ABL-Yes");
    EXPECT_EQ(StateText(0), "xABG-???  DCS-???  DCR-???  ABL-No");
    EXPECT_EQ(StateText(0x01 | 0x08 | 0x10), "xABG-Off  DCS-No  DCR-Yes  ABL-No");
    EXPECT_EQ(StateText(0x02 | 0x0C | 0x30), "xABG-Clocked  DCS-???  DCR-???  ABL-No");
    EXPECT_EQ(StateText(0x03), "xABG-Mid  DCS-???  DCR-???  ABL-No");
    EXPECT_EQ(StateText(0x80 | 0x03), "xABG-Med Rate  DCS-???  DCR-???  ABL-No");
    EXPECT_EQ(StateText(0xC0 | 0x100), "xABG-Hi Rate  DCS-???  DCR-???  ABL-Yes");
    EXPECT_EQ(StateText(-1), "xABG-Hi Rate  DCS-???  DCR-???  ABL-Yes");
}

// Readout names follow the camera row; anything past the tables is "Unknown".
TEST(ReadoutModes, NamesByCameraRow) {
    EXPECT_STREQ(ReadoutModeName(4, 0), "High HRes Off-Chip");
    EXPECT_STREQ(ReadoutModeName(4, 9), "Spectroscopy Extra High");
    EXPECT_STREQ(ReadoutModeName(6, 3), "1xN");
    EXPECT_STREQ(ReadoutModeName(7, 8), "Low-DS");
    EXPECT_STREQ(ReadoutModeName(1, 1), "Low");
    EXPECT_STREQ(ReadoutModeName(1, 2), "Unknown");
    EXPECT_STREQ(ReadoutModeName(1, 3), "Unknown");
    EXPECT_STREQ(ReadoutModeName(4, 10), "Unknown");
    EXPECT_STREQ(ReadoutModeName(6, -1), "Unknown");
}

// Five names a line, each in 13 columns; "0" means none; unknown characters are classed.
TEST(Modifications, ListLayout) {
    EXPECT_EQ(ModificationsListText("@LM"), Padded("Previous???") + Padded("H-Flip") + Padded("V-Flip"));
    EXPECT_EQ(ModificationsListText("0"), "--- None ---");
    EXPECT_EQ(ModificationsListText(""), "");
    EXPECT_EQ(ModificationsListText("z!l"), Padded("Future KESL") + Padded("External") + Padded("Rotate"));
    EXPECT_EQ(ModificationsListText("m\x80\x7f~"),
              Padded("Future KESL") + Padded("External") + Padded("External") + Padded("Future KESL"));

    const std::string list = ModificationsListText(std::string(40, 'h'));
    std::string expected;
    for (int i = 0; i < 8; ++i) {
        if (i) expected += '\n';
        for (int k = 0; k < 5; ++k) expected += Padded("Deconvolve");
    }
    EXPECT_EQ(list, expected);
    EXPECT_EQ(ModificationsTitleText("M13.qv4"), "\"M13.qv4\":");
}

// The printed report of a camera-row-0 image, line for line.
TEST(ParametersReport, CameraRowZeroImage) {
    CImage image;
    image.cameraIndex = 0;
    image.cameraName = "Homebuilt";
    image.fileType = kFileUncompressed;
    image.Date = "03/14/24";
    image.Time = "22:10:05";
    image.Observer = "A. Observer";
    image.Note = "M13 test";
    image.Exposure = 3000;
    image.Number_exposures = 4;
    image.Each_exposure = 3000;
    image.Pedestal = 100;
    image.Width = 765;
    image.Height = 510;
    image.Readout_mode = 1;
    image.X_pixel_size = 0.009;
    image.Y_pixel_size = 0.009;
    image.Exposure_state = 356;
    image.Temperature = -20.5;
    image.Response_factor = 1.25;
    image.E_gain = 2.3;
    image.Focal_length = 20.0;
    image.Aperture = 50.265;
    image.Filter = "Blue";
    image.Track_time = 150;
    std::string text = "stale";
    image.ParametersReport(text, "m13.qv4");
    const std::string expected =
        "Image Parameters"
        "\n  Image Name:         m13.qv4 (Uncompressed)"
        "\n  Observation Date:   03/14/24 @ 22:10:05"
        "\n  Observer:           A. Observer"
        "\n  Note:               M13 test"
        "\n\nCCD Parameters"
        "\n  Camera/Image:       Unknown / Standard Image"
        "\n  Exposure:           30.00 Seconds"
        "\n  Exposures:          4 @ 30.00 seconds each"
        "\n  Pedestal:           100"
        "\n  Image Size:         765 Pixels Wide x 510 Pixels High"
        "\n  Resolution:         Low"
        "\n  Pixel Size:         9.0 x 9.0 microns (3.7 x 3.7 \u2033)"
        "\n  Exposure State:     ABG-Low Rate  DCS-Yes  DCR-No  ABL-Yes"
        "\n  Temperature:        -20.50 \u00B0C"
        "\n  Response Factor:    1.25 @ 2.30 Photons/ADU"
        "\n\nTelescope Parameters"
        "\n  Focal Length:       20.00 Inches"
        "\n  Aperture:           50.265 Square Inches"
        "\n  Optical Filter:     Blue"
        "\n  Tracking:           Self Guided at 1.50 Rate";
    EXPECT_EQ(text, expected);
}

// The sheet names a row-0 camera by its token and spells out counts, tracking and temperature.
TEST(ParameterFields, SheetTexts) {
    CImage image;
    image.cameraIndex = 0;
    image.cameraName = "Homebuilt";
    image.imageKind = 2;
    image.fileType = kFileFits;
    image.Track_time = 0;
    auto fields = ParameterFieldTexts(image, "m13.fit");
    EXPECT_EQ(fields[0], "m13.fit  (FITS)");
    EXPECT_EQ(fields[4], "Homebuilt  /  RGB Image");
    EXPECT_EQ(fields[6], "1");
    EXPECT_EQ(fields[17], "Unknown");
    EXPECT_STREQ(ParameterFieldLabels[9], "Resolution Mode:");

    image.cameraIndex = 2;
    image.Number_exposures = 4;
    image.Each_exposure = 3000;
    image.fileType = kFileTrackList;
    fields = ParameterFieldTexts(image, "t");
    EXPECT_EQ(fields[0], "t  (Track List)");
    EXPECT_EQ(fields[4], "QV-1X  /  RGB Image");
    EXPECT_EQ(fields[6], "4 @ 30.00 seconds each");
    EXPECT_EQ(fields[12], "Unregulated");
}

// Without a focal length the angular pixel size reads 0.0, never "inf" or "nan".
TEST(ParameterFields, NoFocalLengthShowsNoInfinity) {
    CImage image;
    image.Focal_length = 0.0;
    const auto fields = ParameterFieldTexts(image, "x");
    EXPECT_EQ(fields[10], "23.0 x 27.0 microns     (0.0 x 0.0 \u2033)");
    EXPECT_EQ(fields[14], "0.00 Inches");
    image.imageKind = 7;
    image.fileType = -2;
    image.cameraIndex = 99;
    const auto odd = ParameterFieldTexts(image, "x");
    EXPECT_EQ(odd[0], "x  (Unknown)");
    EXPECT_EQ(odd[4], "Unknown  /  Unknown");
}

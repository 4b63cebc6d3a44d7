// The program's corrections and mappings of an import, driven by a stand-in
// for the library so that each rule can be set up exactly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fits_test_files.h"
#include "image/fits_reader.h"
#include "image/image.h"

using fitstest::Card;

namespace {

struct FakeLibrary {
    uint16_t probeStatus = FI_OK;
    uint16_t headerStatus = FI_OK;
    uint16_t textStatus = FI_OK;
    uint16_t pixelStatus = FI_OK;
    FITSIMAGEINFO info{};
    std::string cards;
    uint16_t pixelValue = 7;
};
FakeLibrary fake;

uint16_t FakeImport(uint16_t request, const char*, void* output) {
    switch (request) {
    case FI_PROBE_EX: {
        if (fake.probeStatus != FI_OK)
            return fake.probeStatus;
        auto* probe = static_cast<FITSPROBEEX*>(output);
        probe->ok = 1;
        probe->rows = fake.info.rows;
        probe->columns = fake.info.columns;
        probe->headerTextSize = uint32_t(fake.cards.size() + 1);
        return FI_OK;
    }
    case FI_HEADER:
        if (fake.headerStatus == FI_OK)
            *static_cast<FITSIMAGEINFO*>(output) = fake.info;
        return fake.headerStatus;
    case FI_HEADERTEXT_EX: {
        // Like the library, refuses a buffer smaller than the result.
        const auto& buffer = *static_cast<const FITSBUFFER*>(output);
        if (fake.textStatus != FI_OK || buffer.capacity < fake.cards.size() + 1)
            return fake.textStatus != FI_OK ? fake.textStatus : uint16_t(FI_FAILED);
        std::memcpy(buffer.data, fake.cards.c_str(), fake.cards.size() + 1);
        return FI_OK;
    }
    case FI_PIXELS_EX: {
        const auto& buffer = *static_cast<const FITSBUFFER*>(output);
        size_t count = size_t(fake.info.rows) * size_t(fake.info.columns);
        if (fake.pixelStatus != FI_OK || buffer.capacity < count * sizeof(uint16_t))
            return fake.pixelStatus != FI_OK ? fake.pixelStatus : uint16_t(FI_FAILED);
        auto* pixels = static_cast<uint16_t*>(buffer.data);
        for (size_t i = 0; i < count; ++i)
            pixels[i] = fake.pixelValue;
        return FI_OK;
    }
    }
    return FI_FAILED;
}

class FitsConversion : public ::testing::Test {
protected:
    void SetUp() override {
        fake = FakeLibrary{};
        fake.info.rows = 2;
        fake.info.columns = 3;
    }
    FitsImportOutcome Load(CImage& image) { return ImportFitsImage(image, "any.fits", &FakeImport); }
    void SetText(char (&field)[FI_TEXT_CHARS], const char* text) {
        std::snprintf(field, FI_TEXT_CHARS, "%s", text);
    }
    std::string Records(const CImage& image) {
        return image.fitsRecords.empty() ? std::string() : std::string(image.fitsRecords.data());
    }
};

}  // namespace

// A file that supplies nothing gets the program's defaults for every field.
TEST_F(FitsConversion, MissingValuesTakeTheDefaults) {
    fake.info.readoutMode = 12;
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_EQ(image.fileType, kFileFits);
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 2);
    EXPECT_EQ(image.Date, "01/01/90");
    EXPECT_EQ(image.Time, "00:00:00");
    EXPECT_EQ(image.User_2, "Y2KYear = 1990");
    EXPECT_EQ(image.Exposure, 100);
    EXPECT_EQ(image.Each_exposure, 100);
    EXPECT_EQ(image.Number_exposures, 1);
    EXPECT_DOUBLE_EQ(image.X_pixel_size, 0.009);
    EXPECT_DOUBLE_EQ(image.Y_pixel_size, 0.009);
    EXPECT_EQ(image.Readout_mode, 9);
    EXPECT_EQ(image.Exposure_state, 356);
    EXPECT_DOUBLE_EQ(image.Response_factor, 2000.0);
    EXPECT_DOUBLE_EQ(image.E_gain, 1.0);
    EXPECT_DOUBLE_EQ(image.Focal_length, 80.0);
    EXPECT_DOUBLE_EQ(image.Aperture, 50.0);
    EXPECT_EQ(image.Sat_level, 65535u);
    EXPECT_EQ(image.File_version, 3);
    EXPECT_EQ(image.Data_version, 1);
    EXPECT_EQ(image.display.back, 0);
    EXPECT_EQ(image.display.range, 65535);
    EXPECT_EQ(image.display.autoContrast, 1);
    ASSERT_EQ(image.pixels.size(), 6u);
    EXPECT_EQ(image.pixels[5], 7);
}

// Values the file gives are mapped into the record's units and capacities.
TEST_F(FitsConversion, GivenValuesAreMappedAndCut) {
    FITSIMAGEINFO& info = fake.info;
    info.year = 2005;
    info.month = 3;
    info.day = 9;
    info.hour = 21;
    info.minute = 4;
    info.second = 5;
    info.exposureTime = 12.345;
    info.eachExposure = 2.5;
    info.exposures = 3;
    info.trackTime = 0.994;
    info.readoutMode = -4;
    info.saturation = 40000;
    info.background = 150;
    info.range = 3000;
    SetText(info.note, std::string(79, 'n').c_str());
    SetText(info.observer, std::string(40, 'o').c_str());
    SetText(info.history, std::string(50, 'A').c_str());
    SetText(info.filter, "Luminance-broad");
    SetText(info.origin, "Observatory");
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_EQ(image.Date, "03/09/05");
    EXPECT_EQ(image.Time, "21:04:05");
    EXPECT_EQ(image.User_2, "Y2KYear = 2005");
    EXPECT_EQ(image.Exposure, 1235);
    EXPECT_EQ(image.Each_exposure, 250);
    EXPECT_EQ(image.Number_exposures, 3);
    EXPECT_EQ(image.Track_time, 99);
    EXPECT_EQ(image.Readout_mode, 0);
    EXPECT_EQ(image.Sat_level, 40000u);
    EXPECT_EQ(image.display.back, 150);
    EXPECT_EQ(image.display.range, 3000);
    EXPECT_EQ(image.display.autoContrast, 0);
    EXPECT_EQ(image.Note.size(), 78u);
    EXPECT_EQ(image.Observer.size(), 30u);
    EXPECT_EQ(image.History.size(), 40u);
    EXPECT_EQ(image.Filter, "Luminance-");
    EXPECT_EQ(image.User_1, "Observatory");
    EXPECT_TRUE(image.User_3.empty());
}

// Exposure times far beyond the record's range saturate instead of wrapping.
TEST_F(FitsConversion, HugeTimesSaturate) {
    fake.info.exposureTime = 1e300;
    fake.info.trackTime = -1e300;
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_EQ(image.Exposure, INT32_MAX);
    EXPECT_EQ(image.Track_time, INT32_MIN);
}

// CBLACK/CWHITE give the levels only when the file gave none and white is above black.
TEST_F(FitsConversion, DisplayLevelsFromCblackAndCwhite) {
    fake.cards = Card("CBLACK  =                  200") + Card("CWHITE  =                 4000");
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_EQ(image.display.back, 200);
    EXPECT_EQ(image.display.range, 3800);
    EXPECT_EQ(image.display.autoContrast, 0);

    fake.cards = Card("CBLACK  =                  200") + Card("CWHITE  =                  200");
    CImage equal;
    ASSERT_EQ(Load(equal), FitsImportOutcome::ok);
    EXPECT_EQ(equal.display.back, 0);
    EXPECT_EQ(equal.display.range, 65535);
    EXPECT_EQ(equal.display.autoContrast, 1);

    fake.info.background = 10;
    fake.info.range = 20;
    fake.cards = Card("CBLACK  =                  200") + Card("CWHITE  =                 4000");
    CImage given;
    ASSERT_EQ(Load(given), FitsImportOutcome::ok);
    EXPECT_EQ(given.display.back, 10);
    EXPECT_EQ(given.display.range, 20);
}

// A failed header-text request is not a failure: no records, no levels from them.
TEST_F(FitsConversion, FailedHeaderTextLoadsWithoutRecords) {
    fake.cards = Card("CBLACK  =                  200") + Card("CWHITE  =                 4000");
    fake.textStatus = FI_FAILED;
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_TRUE(image.fitsRecords.empty());
    EXPECT_EQ(image.display.autoContrast, 1);
}

// A header of no cards leaves an empty, zero-terminated text.
TEST_F(FitsConversion, EmptyHeaderTextIsZeroTerminated) {
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    ASSERT_EQ(image.fitsRecords.size(), 1u);
    EXPECT_EQ(image.fitsRecords[0], '\0');
}

// The camera is the first table row named anywhere in INSTRUME, in table order.
TEST_F(FitsConversion, CameraByNameInInstrumentText) {
    SetText(fake.info.instrument, "KESL QV-1X camera");
    CImage first;
    ASSERT_EQ(Load(first), FitsImportOutcome::ok);
    EXPECT_EQ(first.cameraIndex, 1);

    SetText(fake.info.instrument, "My QV-4 here");
    CImage sixth;
    ASSERT_EQ(Load(sixth), FitsImportOutcome::ok);
    EXPECT_EQ(sixth.cameraIndex, 6);

    SetText(fake.info.instrument, "SBIG ST-8");
    CImage none;
    ASSERT_EQ(Load(none), FitsImportOutcome::ok);
    EXPECT_EQ(none.cameraIndex, 0);
    EXPECT_EQ(none.cameraName, "SBIG ST-8");

    EXPECT_EQ(MatchCameraRow("QV-9"), -1);
}

// With KESTDVER the values are metric and converted to the record's units.
TEST_F(FitsConversion, MetricStandardIsConverted) {
    fake.info.focalLength = 2032.0;
    fake.info.pedestal = -100;
    fake.info.gain = 3.0;
    fake.cards = Card("KESTDVER=                    1") + Card("XPIXSZ  =                  6.8") +
                 Card("EGAIN   =                 2.25");
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_DOUBLE_EQ(image.Focal_length, 80.0);
    EXPECT_EQ(image.Pedestal, 0);
    EXPECT_DOUBLE_EQ(image.Aperture, 32258.0 / 645.16);
    EXPECT_DOUBLE_EQ(image.X_pixel_size, 0.0068);
    EXPECT_DOUBLE_EQ(image.Y_pixel_size, 0.009);
    EXPECT_DOUBLE_EQ(image.E_gain, 2.25);

    fake.cards.clear();
    CImage plain;
    ASSERT_EQ(Load(plain), FitsImportOutcome::ok);
    EXPECT_DOUBLE_EQ(plain.Focal_length, 2032.0);
    EXPECT_DOUBLE_EQ(plain.E_gain, 3.0);
}

// The writer's own cards are cut out of the kept records; all else stays in order.
TEST_F(FitsConversion, WriterCardsAreRemovedFromKeptRecords) {
    const char* own[] = {"SIMPLE  =                    T", "BITPIX  =                   16",
                         "NAXIS   =                    2", "NAXIS1  =                    3",
                         "NAXIS2  =                    2", "DATE    = '2001-01-01'",
                         "BZERO   =                32768", "BSCALE  =                    1",
                         "BACKGRND=                  100", "RANGE   =                 1000",
                         "KESLHIST= '@       '",           "COMMENT File created by someone"};
    std::string cards;
    for (const char* card : own)
        cards += Card(card);
    cards.insert(80 * 2, Card("HISTORY kept one"));
    cards += Card("COMMENT kept two") + Card("DATE-OBS= '2001-01-01'");
    fake.cards = cards;
    CImage image;
    ASSERT_EQ(Load(image), FitsImportOutcome::ok);
    EXPECT_EQ(Records(image), Card("HISTORY kept one") + Card("COMMENT kept two") +
                                  Card("DATE-OBS= '2001-01-01'"));
    EXPECT_EQ(image.fitsRecords.size(), 3u * 80 + 1);
}

// Any failure leaves the record exactly as it was and says why.
TEST_F(FitsConversion, FailuresLeaveTheRecordUnchanged) {
    struct Case {
        const char* what;
        uint16_t FakeLibrary::*status;
        uint16_t value;
        FitsImportOutcome outcome;
    } cases[] = {
        {"probe cannot open", &FakeLibrary::probeStatus, FI_NOT_FITS, FitsImportOutcome::notFits},
        {"probe refuses", &FakeLibrary::probeStatus, FI_FAILED, FitsImportOutcome::unsupported},
        {"header refuses", &FakeLibrary::headerStatus, FI_FAILED, FitsImportOutcome::unsupported},
        {"pixels fail", &FakeLibrary::pixelStatus, FI_FAILED, FitsImportOutcome::failed},
    };
    for (const Case& c : cases) {
        SetUp();
        fake.*c.status = c.value;
        CImage image;
        image.Width = 5;
        image.Height = 1;
        image.pixels.assign(5, 42);
        image.fitsRecords = {'x', '\0'};
        image.Note = "before";
        EXPECT_EQ(Load(image), c.outcome) << c.what;
        EXPECT_EQ(image.Width, 5) << c.what;
        EXPECT_EQ(image.pixels, std::vector<uint16_t>(5, 42)) << c.what;
        EXPECT_EQ(image.fitsRecords.size(), 2u) << c.what;
        EXPECT_EQ(image.Note, "before") << c.what;
        EXPECT_EQ(image.fileType, kFileCompressed) << c.what;
        EXPECT_STRNE(FitsImportFailureText(c.outcome), "") << c.what;
    }
}

// Rows or columns below 1 are refused before any pixel is allocated.
TEST_F(FitsConversion, EmptyImageIsRefused) {
    fake.info.rows = 0;
    CImage image;
    EXPECT_EQ(Load(image), FitsImportOutcome::unsupported);
}

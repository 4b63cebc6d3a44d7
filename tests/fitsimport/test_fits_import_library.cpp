// The library's import entry point on small files written byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fits_test_files.h"
#include "fitslib/orbex.h"

using namespace fitstest;

namespace {

class FitsImportLibrary : public ::testing::Test {
protected:
    std::string File(const std::vector<std::string>& extra, int bitpix = 16) {
        std::vector<std::string> cards = ImageCards(bitpix, 2, 1);
        cards.insert(cards.end(), extra.begin(), extra.end());
        std::string path = folder.Path("f" + std::to_string(count++) + ".fits");
        WriteFits16(path, cards, {0, 0});
        return path;
    }
    FITSIMAGEINFO Header(const std::vector<std::string>& extra) {
        FITSIMAGEINFO info{};
        EXPECT_EQ(FITSImport(FI_HEADER, File(extra).c_str(), &info), FI_OK);
        return info;
    }
    std::vector<uint16_t> Pixels(const std::vector<std::string>& extra,
                                 const std::vector<int16_t>& raw) {
        std::vector<std::string> cards = ImageCards(16, int(raw.size()), 1);
        cards.insert(cards.end(), extra.begin(), extra.end());
        std::string path = folder.Path("p" + std::to_string(count++) + ".fits");
        WriteFits16(path, cards, raw);
        std::vector<uint16_t> pixels(raw.size(), 0xABCD);
        FITSBUFFER buffer{pixels.data(), pixels.size() * sizeof(uint16_t), 0};
        EXPECT_EQ(FITSImport(FI_PIXELS_EX, path.c_str(), &buffer), FI_OK);
        return pixels;
    }
    TempFolder folder;
    int count = 0;
};

}  // namespace

// Stored values plus BZERO; without BZERO negative values wrap by 65536; physical
// values beyond 0..65535 clamp.
TEST_F(FitsImportLibrary, PixelConversion) {
    std::vector<int16_t> raw = {-32768, -1, 0, 32767};
    EXPECT_EQ(Pixels({RealCard("BZERO", 32768.0)}, raw),
              (std::vector<uint16_t>{0, 32767, 32768, 65535}));
    EXPECT_EQ(Pixels({}, raw), (std::vector<uint16_t>{32768, 65535, 0, 32767}));
    EXPECT_EQ(Pixels({RealCard("BZERO", 40000.0)}, {30000, 0}),
              (std::vector<uint16_t>{65535, 40000}));
    EXPECT_EQ(Pixels({RealCard("BZERO", -70000.0)}, {0, 5}), (std::vector<uint16_t>{0, 0}));
    EXPECT_EQ(Pixels({RealCard("BSCALE", 0.5)}, {7, -3}), (std::vector<uint16_t>{3, 65534}));
}

// Both DATE-OBS forms; the time from DATE-OBS after "T", otherwise TIME-OBS.
TEST_F(FitsImportLibrary, ObservationDateAndTime) {
    FITSIMAGEINFO iso = Header({StringCard("DATE-OBS", "2001-05-17T03:04:05"),
                                StringCard("TIME-OBS", "11:12:13")});
    EXPECT_EQ(iso.year, 2001);
    EXPECT_EQ(iso.month, 5);
    EXPECT_EQ(iso.day, 17);
    EXPECT_EQ(iso.hour, 3);
    EXPECT_EQ(iso.minute, 4);
    EXPECT_EQ(iso.second, 5);

    FITSIMAGEINFO old = Header({StringCard("DATE-OBS", "17/05/01"),
                                StringCard("TIME-OBS", "03:04:05")});
    EXPECT_EQ(old.day, 17);
    EXPECT_EQ(old.month, 5);
    EXPECT_EQ(old.year, 1);
    EXPECT_EQ(old.hour, 3);
    EXPECT_EQ(old.minute, 4);
    EXPECT_EQ(old.second, 5);

    FITSIMAGEINFO none = Header({});
    EXPECT_EQ(none.year + none.month + none.day + none.hour + none.minute + none.second, 0);
}

// EXPSTATE is up to five hexadecimal digits in 16 bits; DATAMAX clamps to 0..65535.
TEST_F(FitsImportLibrary, ExposureStateAndSaturation) {
    EXPECT_EQ(Header({StringCard("EXPSTATE", "1a4")}).exposureState, 420);
    EXPECT_EQ(Header({StringCard("EXPSTATE", "12345678")}).exposureState, 0x2345);
    EXPECT_EQ(Header({StringCard("EXPSTATE", "7g1")}).exposureState, 7);
    EXPECT_EQ(Header({}).exposureState, 0);
    EXPECT_EQ(Header({RealCard("DATAMAX", 65536.5)}).saturation, 65535);
    EXPECT_EQ(Header({RealCard("DATAMAX", -5.0)}).saturation, 0);
    EXPECT_EQ(Header({RealCard("DATAMAX", 1234.9)}).saturation, 1234);
}

// Values are taken only with the type their card implies: a real needs a
// decimal point, an integer must have none, texts must be quoted.
TEST_F(FitsImportLibrary, ValuesFollowTheCardsTypes) {
    FITSIMAGEINFO info = Header({IntCard("EACHSNAP", 1), RealCard("SNAPSHOT", 1.0),
                                 IntCard("EXPTIME", 5), RealCard("FOCALLEN", 2032.0),
                                 IntCard("BACKGRND", 120), IntCard("RANGE", 900),
                                 IntCard("PEDESTAL", -7), IntCard("RESMODE", 2),
                                 StringCard("INSTRUME", "QV-4 camera"), IntCard("OBSERVER", 5),
                                 StringCard("KESLHIST", "@AB")});
    EXPECT_EQ(info.rows, 1);
    EXPECT_EQ(info.columns, 2);
    EXPECT_EQ(info.eachExposure, 0.0);
    EXPECT_EQ(info.exposures, 0);
    EXPECT_EQ(info.exposureTime, 5.0);
    EXPECT_EQ(info.focalLength, 2032.0);
    EXPECT_EQ(info.background, 120);
    EXPECT_EQ(info.range, 900);
    EXPECT_EQ(info.pedestal, -7);
    EXPECT_EQ(info.readoutMode, 2);
    EXPECT_STREQ(info.instrument, "QV-4 camera");
    EXPECT_STREQ(info.observer, "");
    EXPECT_STREQ(info.history, "@AB");
}

// Only plain 16-bit images are described: 8-bit, -32 and packed files are
// refused by the probe and the header request; a non-FITS file cannot be opened.
TEST_F(FitsImportLibrary, RefusedFiles) {
    FITSPROBE probe{};
    FITSIMAGEINFO info{};
    for (int bitpix : {8, -32}) {
        std::string path = folder.Path("b" + std::to_string(bitpix) + ".fits");
        WriteFitsBytes(path, ImageCards(bitpix, 2, 1), std::vector<uint8_t>(8, 0));
        EXPECT_EQ(FITSImport(FI_PROBE, path.c_str(), &probe), FI_FAILED) << bitpix;
        EXPECT_EQ(FITSImport(FI_HEADER, path.c_str(), &info), FI_FAILED) << bitpix;
    }
    std::string packed = folder.Path("packed.fits");
    WritePackedHeader(packed, ImageCards(16, 2, 1));
    EXPECT_EQ(FITSImport(FI_PROBE, packed.c_str(), &probe), FI_FAILED);
    EXPECT_EQ(FITSImport(FI_HEADER, packed.c_str(), &info), FI_FAILED);

    std::string text = folder.Path("text.fits");
    WriteText(text, std::string(4000, 'x'));
    probe.ok = 77;
    EXPECT_EQ(FITSImport(FI_PROBE, text.c_str(), &probe), FI_NOT_FITS);
    EXPECT_EQ(probe.ok, 77);
    EXPECT_EQ(FITSImport(FI_PROBE, folder.Path("missing.fits").c_str(), &probe), FI_NOT_FITS);
    EXPECT_EQ(FITSImport(99, text.c_str(), &probe), FI_FAILED);
}

// An axis longer than the record's 16-bit size fields is refused, so no
// request ever describes (or fills) a smaller image than the file holds.
TEST_F(FitsImportLibrary, AxesBeyondSixteenBitsAreRefused) {
    std::string path = folder.Path("wide.fits");
    WriteFits16(path, ImageCards(16, 70000, 1), {});
    FITSPROBE probe{};
    FITSIMAGEINFO info{};
    EXPECT_EQ(FITSImport(FI_PROBE, path.c_str(), &probe), FI_FAILED);
    EXPECT_EQ(FITSImport(FI_HEADER, path.c_str(), &info), FI_FAILED);
    uint16_t pixel = 0;
    FITSBUFFER buffer{&pixel, sizeof pixel, 0};
    EXPECT_EQ(FITSImport(FI_PIXELS_EX, path.c_str(), &buffer), FI_FAILED);
}

// The wide probe's header text holds every stored card and a zero; its size
// fits headers far beyond 819 cards.
TEST_F(FitsImportLibrary, HeaderTextOfSmallAndLongHeaders) {
    for (int extra : {5, 1200}) {
        std::vector<std::string> cards = ImageCards(16, 2, 1);
        for (int i = 0; i < extra; ++i)
            cards.push_back(Card("HISTORY step " + std::to_string(i)));
        std::string path = folder.Path("h" + std::to_string(extra) + ".fits");
        WriteFits16(path, cards, {1, 2});
        FITSPROBEEX probe{};
        ASSERT_EQ(FITSImport(FI_PROBE_EX, path.c_str(), &probe), FI_OK) << extra;
        ASSERT_EQ(probe.headerTextSize, uint32_t(80 * cards.size() + 1)) << extra;
        EXPECT_EQ(probe.rows, 1);
        EXPECT_EQ(probe.columns, 2);
        std::vector<char> text(size_t(probe.headerTextSize), 'z');
        FITSBUFFER buffer{text.data(), text.size(), 0};
        ASSERT_EQ(FITSImport(FI_HEADERTEXT_EX, path.c_str(), &buffer), FI_OK);
        EXPECT_EQ(buffer.size, text.size());
        EXPECT_EQ(text.back(), '\0');
        EXPECT_EQ(std::string(text.data(), 80), Card(cards[0]));
        EXPECT_EQ(std::string(text.data() + 80 * (cards.size() - 1), 80), Card(cards.back()));
    }
}

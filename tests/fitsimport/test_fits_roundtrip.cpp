// Whole files through the image record: opened, saved and opened again, and
// checked against astropy and fitsverify, on made-up and on real images.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fits_test_files.h"
#include "image/image.h"
#include "image/wide_fits.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

using namespace fitstest;

namespace {

std::string Script(const std::string& name) { return std::string(QV_FITSIMPORT_SCRIPTS) + "/" + name; }
std::string Shared(const std::string& name) { return std::string(QV_SHARED_DATA) + "/" + name; }

void Load(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::load);
    image.Serialize(ar);
}

void Save(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::store);
    image.Serialize(ar);
    ar.Commit();
}

bool Verifies(const std::string& path) { return RunCommand("fitsverify -q " + Quote(path)) == 0; }

size_t CountCards(const std::vector<std::string>& cards, const std::string& prefix) {
    return size_t(std::count_if(cards.begin(), cards.end(), [&](const std::string& card) {
        return card.rfind(prefix, 0) == 0;
    }));
}

// The pixels astropy reads, converted by the program's rule, against the record's.
void ExpectAstropyPixels(const CImage& image, const std::string& path, const TempFolder& folder) {
    std::string expectedPath = folder.Path("expected.bin");
    ASSERT_EQ(RunPython(Script("dump_expected_pixels.py"), {path, expectedPath}), 0);
    std::vector<uint8_t> bytes = ReadBytes(expectedPath);
    ASSERT_EQ(bytes.size(), image.pixels.size() * 2);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint16_t expected = uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        ASSERT_EQ(image.pixels[i], expected)
            << "pixel x=" << i % size_t(image.Width) << " y=" << i / size_t(image.Width);
    }
}

}  // namespace

// A file astropy wrote opens with its pixels and fields; the program's copy
// passes fitsverify and holds the same pixels and every original card.
TEST(FitsRoundTrip, AstropyFileOpensAndItsSavedCopyIsFaithful) {
    TempFolder folder;
    std::string original = folder.Path("astropy.fits");
    ASSERT_EQ(RunPython(Script("make_astropy_file.py"), {original}), 0);

    CImage image;
    Load(image, original);
    EXPECT_EQ(image.fileType, kFileFits);
    EXPECT_EQ(image.Width, 7);
    EXPECT_EQ(image.Height, 5);
    EXPECT_EQ(image.Date, "03/09/05");
    EXPECT_EQ(image.Time, "21:04:05");
    EXPECT_EQ(image.Exposure, 1250);
    EXPECT_EQ(image.cameraIndex, 6);
    EXPECT_EQ(image.Observer, "A. Observer");
    EXPECT_EQ(image.display.autoContrast, 1);
    EXPECT_EQ(image.pixels.front(), 0);
    EXPECT_EQ(image.pixels.back(), 65535);
    ExpectAstropyPixels(image, original, folder);

    std::string saved = folder.Path("saved.fits");
    Save(image, saved);
    EXPECT_TRUE(Verifies(saved));
    EXPECT_EQ(RunPython(Script("check_saved_copy.py"), {original, saved}), 0);
}

// Saving, opening and saving again: the program's own cards once, the
// COMMENT cards of the first save carried among the kept records.
TEST(FitsRoundTrip, SecondSaveKeepsOneCopyOfTheProgramsCards) {
    TempFolder folder;
    std::string original = folder.Path("astropy.fits");
    ASSERT_EQ(RunPython(Script("make_astropy_file.py"), {original}), 0);
    CImage first;
    Load(first, original);
    first.FlipVertical();
    std::string once = folder.Path("once.fits");
    Save(first, once);

    CImage second;
    Load(second, once);
    std::string twice = folder.Path("twice.fits");
    Save(second, twice);
    EXPECT_TRUE(Verifies(twice));

    std::vector<std::string> cards = HeaderCards(twice);
    for (const char* own : {"SIMPLE  =", "BITPIX  =", "NAXIS   =", "NAXIS1  =", "NAXIS2  =",
                            "DATE    =", "BZERO   =", "BSCALE  =", "BACKGRND=", "RANGE   =",
                            "KESLHIST=", "COMMENT File created"})
        EXPECT_EQ(CountCards(cards, own), 1u) << own;
    EXPECT_EQ(CountCards(cards, "COMMENT KESL Internal FITS Version"), 2u);
    EXPECT_EQ(CountCards(cards, "COMMENT Records below preserved"), 2u);
    EXPECT_EQ(CountCards(cards, "HISTORY KESL Quorvane V-Flip"), 1u);
    EXPECT_EQ(CountCards(cards, "HISTORY dark frame subtracted"), 1u);
    EXPECT_EQ(second.History, first.History);
    EXPECT_EQ(second.pixels, first.pixels);
    EXPECT_EQ(RunPython(Script("check_saved_copy.py"), {original, twice}), 1)
        << "the flip must show in the pixels";
}

// A header of more than 819 cards loads whole and every card is saved again.
TEST(FitsRoundTrip, LongProcessingHistoryIsKeptWhole) {
    TempFolder folder;
    std::vector<std::string> cards = ImageCards(16, 3, 2);
    cards.push_back(RealCard("BZERO", 32768.0));
    for (int i = 0; i < 1100; ++i)
        cards.push_back(Card("HISTORY processing step " + std::to_string(i)));
    cards.push_back(StringCard("OBJECT", "last card"));
    std::string original = folder.Path("long.fits");
    WriteFits16(original, cards, {-32768, -1, 0, 1, 2, 32767});

    CImage image;
    Load(image, original);
    EXPECT_EQ(image.fitsRecords.size(), 1101u * 80 + 1);
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{0, 32767, 32768, 32769, 32770, 65535}));
    std::string saved = folder.Path("saved.fits");
    Save(image, saved);
    EXPECT_TRUE(Verifies(saved));
    std::vector<std::string> written = HeaderCards(saved);
    EXPECT_EQ(CountCards(written, "HISTORY processing step "), 1100u);
    EXPECT_EQ(written.back(), Card(cards.back()));
}

// A file the program cannot take is refused with a notice, never half-loaded.
TEST(FitsRoundTrip, UnsupportedFileIsRefusedWithANotice) {
    TempFolder folder;
    std::string path = folder.Path("bytes.fits");
    WriteFitsBytes(path, ImageCards(8, 2, 1), std::vector<uint8_t>(2, 0));
    ScopedMessageCapture capture;
    CImage image;
    EXPECT_THROW(Load(image, path), CFileException);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_NE(capture.messages[0].text.find("16-bit"), std::string::npos);
    EXPECT_TRUE(image.pixels.empty());

    // Wider values are refused without a notice, so the caller can offer the conversion.
    std::string floats = folder.Path("float.fits");
    WriteFitsBytes(floats, ImageCards(-32, 2, 1), std::vector<uint8_t>(8, 0));
    EXPECT_THROW(Load(image, floats), WideFitsRefused);
    EXPECT_EQ(capture.messages.size(), 1u);
    EXPECT_TRUE(image.pixels.empty());
}

// The amateur CCD image (BZERO 32768) opens with its levels and camera fields.
TEST(FitsRealFiles, ClusterImageOpensSavesAndReadsBack) {
    TempFolder folder;
    std::string original = Shared("M13_blue_0001.fits");
    CImage image;
    Load(image, original);
    EXPECT_EQ(image.Width, 1392);
    EXPECT_EQ(image.Height, 1040);
    EXPECT_EQ(image.Date, "05/05/13");
    EXPECT_EQ(image.Time, "04:09:39");
    EXPECT_EQ(image.Exposure, 500);
    EXPECT_EQ(image.Pedestal, -500);
    EXPECT_EQ(image.display.back, 506);
    EXPECT_EQ(image.display.range, 66);
    EXPECT_EQ(image.cameraIndex, 0);
    EXPECT_EQ(image.cameraName, "Orion SSDSI");
    ExpectAstropyPixels(image, original, folder);

    std::string saved = folder.Path("m13.fits");
    Save(image, saved);
    EXPECT_TRUE(Verifies(saved));
    EXPECT_EQ(RunPython(Script("check_saved_copy.py"), {original, saved}), 0);
}

// The photographic plate has no BZERO (negative values wrap) and a table
// extension after the image, which is not part of the image.
TEST(FitsRealFiles, PlateImageWithoutBzeroOpens) {
    TempFolder folder;
    std::string original = Shared("HorseHead.fits");
    CImage image;
    Load(image, original);
    EXPECT_EQ(image.Width, 891);
    EXPECT_EQ(image.Height, 893);
    ExpectAstropyPixels(image, original, folder);
    std::string saved = folder.Path("plate.fits");
    Save(image, saved);
    EXPECT_TRUE(Verifies(saved));
}

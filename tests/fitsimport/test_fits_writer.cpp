#include <gtest/gtest.h>

#include <string>

#include "fits_test_files.h"
#include "image/fits_io.h"
#include "image/fits_writer.h"
#include "image/image.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

using fitstest::ReadBytes;
using fitstest::TempFolder;

namespace {

constexpr size_t kDateCardAt = 5 * 80;

std::string GoldenPath(const std::string& name) {
    return std::string(QV_FITSIMPORT_DATA) + "/" + name;
}

void MakeImage(CImage& image, int width, int height, std::vector<uint16_t> pixels) {
    image.Width = width;
    image.Height = height;
    image.fileType = kFileFits;
    image.pixels = std::move(pixels);
}

std::string CardAt(const std::string& header, size_t index) {
    return header.substr(index * 80, 80);
}

void Save(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::store);
    SaveFitsImage(image, ar);
    ar.Commit();
}

}  // namespace

// The 2-row, 3-column example: header of one block, 12 data bytes then zeros,
// each pixel stored as v - 32768 high byte first; only DATE depends on the day.
TEST(FitsWriter, TwoByThreeImageMatchesReviewedFileByteForByte) {
    TempFolder folder;
    CImage image;
    MakeImage(image, 3, 2, {0, 32768, 65535, 1, 32767, 40000});
    std::string path = folder.Path("out.fits");
    Save(image, path);

    std::vector<uint8_t> written = ReadBytes(path);
    std::vector<uint8_t> golden = ReadBytes(GoldenPath("two_by_three.fits"));
    ASSERT_EQ(written.size(), golden.size());
    std::string expectedDate;
    AppendStringCard(expectedDate, "DATE    = ", TodayFitsDate(), " ");
    EXPECT_EQ(std::string(written.begin() + kDateCardAt, written.begin() + kDateCardAt + 80),
              expectedDate);
    for (size_t i = 0; i < golden.size(); ++i) {
        if (i >= kDateCardAt && i < kDateCardAt + 80)
            continue;
        ASSERT_EQ(written[i], golden[i]) << "byte " << i;
    }
    EXPECT_TRUE(image.fitsHeaderText.empty());
}

// The header-building pieces themselves, with the reviewed date.
TEST(FitsWriter, HeaderOfTheExampleIsFifteenCardsAndBlanks) {
    CImage image;
    MakeImage(image, 3, 2, std::vector<uint16_t>(6));
    BuildFitsHeader(image, "2002-04-19");
    std::vector<uint8_t> golden = ReadBytes(GoldenPath("two_by_three.fits"));
    EXPECT_EQ(image.fitsHeaderText, std::string(golden.begin(), golden.begin() + 2880));
}

// Integer, real and string cards: fixed columns, comments after column 30.
TEST(FitsWriter, CardFormats) {
    std::string text;
    AppendIntegerCard(text, "BACKGRND= ", -12, "BACKGROUND FOR DISPLAY");
    AppendRealCard(text, "BZERO   = ", -1.5);
    AppendRealCard(text, "TINY    = ", 1e-200, " ");
    AppendStringCard(text, "DATE    = ", "2005-01-02");
    AppendStringCard(text, "OBSERVER= ", "O'Neil", " ");
    ASSERT_EQ(text.size(), 5u * 80);
    EXPECT_EQ(CardAt(text, 0).substr(0, 55),
              "BACKGRND=                  -12 / BACKGROUND FOR DISPLAY");
    EXPECT_EQ(CardAt(text, 1), fitstest::Card("BZERO   = -1.500000000000E+000"));
    EXPECT_EQ(CardAt(text, 2).substr(0, 34), "TINY    = +1.000000000000E-200 /  ");
    EXPECT_EQ(CardAt(text, 3), fitstest::Card("DATE    = '2005-01-02'"));
    EXPECT_EQ(CardAt(text, 4).substr(0, 33), "OBSERVER= 'O''Neil '           / ");
}

// A card is cut at 80 characters; bytes a header may not hold are replaced,
// never the rest of the card dropped: high bytes by '?', control bytes by a blank.
TEST(FitsWriter, AppendCardCutsLongTextAndReplacesForeignBytes) {
    std::string text;
    AppendCard(text, std::string(100, 'A'));
    AppendCard(text, std::string("HISTORY caf\xC3\xA9 au lait"));
    AppendCard(text, std::string("COMMENT tab\there, zero\0there, del\x7Fthere", 39));
    ASSERT_EQ(text.size(), 240u);
    EXPECT_EQ(CardAt(text, 0), std::string(80, 'A'));
    EXPECT_EQ(CardAt(text, 1), fitstest::Card("HISTORY caf?? au lait"));
    EXPECT_EQ(CardAt(text, 2), fitstest::Card("COMMENT tab here, zero there, del there"));
}

// A full 40-character history fits beside its comment; a longer text is cut
// and closed by a quote so the card stays 80 characters and well formed.
TEST(FitsWriter, HistoryCardFitsFortyCharactersAndCutsLongerText) {
    std::string text;
    std::string forty(40, 'L');
    AppendStringCard(text, "KESLHIST= ", forty, "IMAGE MODIFICATIONS");
    EXPECT_EQ(CardAt(text, 0), fitstest::Card("KESLHIST= '" + forty + "' / IMAGE MODIFICATIONS"));

    text.clear();
    AppendStringCard(text, "KESLHIST= ", std::string(60, 'M'), "IMAGE MODIFICATIONS");
    EXPECT_EQ(CardAt(text, 0), "KESLHIST= '" + std::string(46, 'M') + "' / IMAGE MODIFICATIONS");

    text.clear();
    AppendStringCard(text, "NOTE    = ", std::string(66, 'x') + "''''", nullptr);
    std::string card = CardAt(text, 0);
    EXPECT_EQ(card.substr(10), "'" + std::string(66, 'x') + "''" + "'");
}

// Modification cards go between KESLHIST and the program's COMMENT cards;
// the kept records follow the third COMMENT card in their order.
TEST(FitsWriter, HistoryCardsAndKeptRecordsAreCarriedInPlace) {
    CImage image;
    MakeImage(image, 2, 2, {1, 2, 3, 4});
    image.FlipHorizontal();
    std::string kept = fitstest::Card("OBJECT  = 'M13     '") + fitstest::Card("HISTORY first");
    image.fitsRecords.assign(kept.begin(), kept.end());
    image.fitsRecords.push_back('\0');
    BuildFitsHeader(image, "2024-01-01");

    const std::string& header = image.fitsHeaderText;
    EXPECT_EQ(CardAt(header, 10).substr(0, 9), "KESLHIST=");
    EXPECT_EQ(CardAt(header, 11), fitstest::Card("HISTORY KESL Quorvane H-Flip"));
    EXPECT_EQ(CardAt(header, 12).substr(0, 20), "COMMENT File created");
    EXPECT_EQ(CardAt(header, 15), fitstest::Card("OBJECT  = 'M13     '"));
    EXPECT_EQ(CardAt(header, 16), fitstest::Card("HISTORY first"));
    EXPECT_EQ(CardAt(header, 17), fitstest::Card("END"));
    EXPECT_EQ(header.size(), 2880u);
}

// A save that fails leaves the existing file as it was.
TEST(FitsWriter, FailedSaveKeepsTheOriginalFile) {
    TempFolder folder;
    std::string path = folder.Path("keep.fits");
    fitstest::WriteText(path, "original contents");
    CImage image;
    MakeImage(image, 4, 4, {1, 2, 3});
    ScopedMessageCapture capture;
    EXPECT_THROW(Save(image, path), CFileException);
    EXPECT_EQ(ReadBytes(path).size(), std::string("original contents").size());
    EXPECT_TRUE(image.fitsHeaderText.empty());
}

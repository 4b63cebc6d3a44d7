#include <gtest/gtest.h>

#include <string>

#include "image/image.h"

namespace {

std::string Card(const std::string& name) {
    std::string card = "HISTORY KESL Quorvane " + name;
    card.resize(80, ' ');
    return card;
}

// A fresh record holds the defaults an old file version relies on.
TEST(ImageRecord, FreshRecordHoldsDefaults) {
    CImage image;
    EXPECT_EQ(image.Width, 375);
    EXPECT_EQ(image.Height, 241);
    EXPECT_EQ(image.cameraIndex, 4);
    EXPECT_STREQ(CameraTable[image.cameraIndex], "QV-3");
    EXPECT_EQ(image.display.back, 100);
    EXPECT_EQ(image.display.range, 1000);
    EXPECT_EQ(image.display.zoom, 2);
    EXPECT_EQ(image.Sat_level, 65535u);
    EXPECT_EQ(image.Time, "??:??:??");
    EXPECT_EQ(image.Date, "?\?/?\?/??");
    EXPECT_EQ(image.History, "@");
    EXPECT_EQ(image.Readout_mode, -1);
    EXPECT_FALSE(image.HasPixels());
    EXPECT_TRUE(image.fitsRecords.empty());
}

// The tables keep their order: files and other programs refer to rows by number.
TEST(ImageRecord, TablesKeepTheirNumbering) {
    EXPECT_STREQ(CameraTable[0], "Unknown");
    EXPECT_STREQ(CameraTable[8], "OptaCam51");
    EXPECT_STREQ(CameraTable[15], "QV-9");
    EXPECT_STREQ(HistoryCode[0], "Previous???");
    EXPECT_STREQ(HistoryCode[15], "More...");
    EXPECT_STREQ(HistoryCode[40], "Deconvolve");
    EXPECT_STREQ(HistoryCode[44], "Rotate");
    EXPECT_STREQ(FileTypeName[3], "FITS");
    EXPECT_STREQ(ImageKindName[2], "RGB Image");
}

// AddHistory appends the code's character and an 80-character HISTORY card;
// a history of "0" counts as empty.
TEST(ImageRecord, AddHistoryAppendsCodeAndCard) {
    CImage image;
    image.AddHistory(40);
    EXPECT_EQ(image.History, "@h");
    EXPECT_EQ(image.fitsHistoryCards, Card("Deconvolve"));

    image.History = "0";
    image.AddHistory(1);
    EXPECT_EQ(image.History, "A");
    EXPECT_EQ(image.fitsHistoryCards.size(), 160u);
    EXPECT_EQ(image.fitsHistoryCards.substr(80), Card("Co-Add"));
}

// A history of 39 entries ends with the "More..." mark; later entries only add cards.
TEST(ImageRecord, FullHistoryEndsWithMoreMark) {
    CImage image;
    image.History = std::string(39, 'A');
    image.AddHistory(12);
    EXPECT_EQ(image.History, std::string(39, 'A') + "O");
    image.AddHistory(13);
    EXPECT_EQ(image.History, std::string(39, 'A') + "O");
    ASSERT_EQ(image.fitsHistoryCards.size(), 160u);
    EXPECT_EQ(image.fitsHistoryCards.substr(80), Card("V-Flip"));
}

// Codes outside the table are ignored rather than read past it.
TEST(ImageRecord, AddHistoryIgnoresUnknownCodes) {
    CImage image;
    image.AddHistory(45);
    image.AddHistory(-1);
    EXPECT_EQ(image.History, "@");
    EXPECT_TRUE(image.fitsHistoryCards.empty());
}

void FillSequence(CImage& image, int width, int height) {
    image.Width = width;
    image.Height = height;
    image.pixels.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint16_t(i);
}

// Flips mirror the pixels, keep an odd middle column or row in place, and are recorded.
TEST(ImageRecord, FlipsMirrorAndRecord) {
    CImage image;
    FillSequence(image, 3, 3);  // 0 1 2 / 3 4 5 / 6 7 8
    image.FlipHorizontal();
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{2, 1, 0, 5, 4, 3, 8, 7, 6}));
    image.FlipVertical();
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(image.History, "@LM");

    FillSequence(image, 2, 2);
    image.FlipVertical();
    image.FlipVertical();
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{0, 1, 2, 3}));
}

// A record whose buffer does not match its size is left alone, not overrun.
TEST(ImageRecord, FlipWithMismatchedBufferTouchesNothing) {
    CImage image;
    image.Width = 10;
    image.Height = 10;
    image.pixels = {1, 2, 3};
    image.FlipHorizontal();
    image.FlipVertical();
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{1, 2, 3}));
}

}  // namespace

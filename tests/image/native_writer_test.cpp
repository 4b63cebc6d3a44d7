#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/image.h"
#include "native_file_builder.h"

namespace {

using qvtest::HeaderBlock;
using qvtest::HeaderLines;

std::vector<uint8_t> Compress(const std::vector<uint16_t>& row) {
    CImage image;
    image.Width = int(row.size());
    image.Height = 1;
    image.pixels = row;
    std::vector<uint8_t> out(2 * row.size() + 4, 0xEE);
    int length = image.CompressLine(0, out.data());
    EXPECT_EQ(out[0] | (out[1] << 8), length);
    return std::vector<uint8_t>(out.begin() + 2, out.begin() + 2 + length);
}

// Small steps take one byte, larger ones an escape and the full value.
TEST(NativeCompress, DeltasAndEscapes) {
    EXPECT_EQ(Compress({1000, 1127, 1000, 1128, 872, 872, 872, 872}),
              (std::vector<uint8_t>{0xE8, 0x03, 0x7F, 0x81, 0x80, 0x68, 0x04, 0x80, 0x68, 0x03, 0, 0, 0}));
    EXPECT_EQ(Compress(std::vector<uint16_t>(50, 7)).size(), 51u);
}

// Rows that would not shrink are stored raw; so is every row one pixel wide.
TEST(NativeCompress, IncompressibleRowsAreRaw) {
    std::vector<uint16_t> alternating;
    for (int i = 0; i < 9; ++i) alternating.push_back(i % 2 ? 65535 : 0);
    std::vector<uint8_t> stored = Compress(alternating);
    ASSERT_EQ(stored.size(), 18u);
    EXPECT_EQ(stored[2], 0xFF);
    EXPECT_EQ(stored[3], 0xFF);
    EXPECT_EQ(Compress({0x1234}), (std::vector<uint8_t>{0x34, 0x12}));
}

std::string HeaderTextOf(const CImage& image) {
    std::vector<char> block(kNativeHeaderBytes, 'x');
    EXPECT_TRUE(image.WriteNativeHeader(block.data()));
    return std::string(block.data());
}

// Empty texts are written as "-" except History; a negative back is written as 0.
TEST(NativeHeaderWriter, EmptyTextsAndNegativeBack) {
    CImage image;
    image.Note = "";
    image.Observer = "";
    image.History = "";
    image.display.back = -40;
    std::string text = HeaderTextOf(image);
    EXPECT_NE(text.find("\n\rNote = -\n\r"), std::string::npos);
    EXPECT_NE(text.find("\n\rObserver = -\n\r"), std::string::npos);
    EXPECT_NE(text.find("\n\rHistory = \n\r"), std::string::npos);
    EXPECT_NE(text.find("\n\rBackground = 0\n\r"), std::string::npos);
    EXPECT_EQ(text.rfind("\n\rEnd\n\r\x1A"), text.size() - 8);
}

// The token names the table row, or the record's own token when there is no row,
// always as one word the reader can take back.
TEST(NativeHeaderWriter, CameraToken) {
    struct Case {
        int cameraIndex;
        const char* cameraName;
        const char* firstLine;
    };
    const Case cases[] = {
        {8, "QV-2C", "OptaCam51 Compressed Image\n\r"},
        {0, "QV-9", "QV-9 Compressed Image\n\r"},
        {0, "", "Unknown Compressed Image\n\r"},
        {0, "ST 7 XME camera", "ST_7_XME_ Compressed Image\n\r"},
    };
    for (const Case& c : cases) {
        CImage image;
        image.cameraIndex = c.cameraIndex;
        image.cameraName = c.cameraName;
        EXPECT_EQ(HeaderTextOf(image).substr(0, std::string(c.firstLine).size()), c.firstLine) << c.cameraName;
    }
}

// Values that would not fit the 2048-byte block are refused, not written past it.
void MakeHugeNumbers(CImage& image) {
    for (double* field : {&image.Focal_length, &image.Aperture, &image.Response_factor, &image.Temperature,
                          &image.E_gain})
        *field = -1.7e308;
}

TEST(NativeHeaderWriter, OversizedHeaderIsRefused) {
    CImage image;
    MakeHugeNumbers(image);
    std::vector<char> block(kNativeHeaderBytes + 16, 'x');
    EXPECT_FALSE(image.WriteNativeHeader(block.data()));
    for (size_t i = kNativeHeaderBytes; i < block.size(); ++i) ASSERT_EQ(block[i], 'x') << "byte " << i;
}

// A save that cannot be written leaves the existing file untouched and no stray file beside it.
TEST(NativeSave, FailedSaveKeepsOriginal) {
    qvtest::TempDir dir;
    std::string path = dir.File("keep.qv4");
    qvtest::WriteBytes(path, "original bytes");
    CImage image;
    image.pixels = qvtest::TestPixels(image.Width, image.Height);
    MakeHugeNumbers(image);
    auto result = qvtest::SaveFile(path, image);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_NE(result.messages[0].find("2048-byte header"), std::string::npos);
    EXPECT_EQ(qvtest::ReadBytes(path), "original bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()),
                            std::filesystem::directory_iterator()),
              1);

    CImage noPixels;
    EXPECT_FALSE(qvtest::SaveFile(path, noPixels).ok);
    CImage tooWide;
    tooWide.Width = 40000;
    tooWide.Height = 1;
    tooWide.pixels.resize(40000);
    EXPECT_FALSE(qvtest::SaveFile(path, tooWide).ok);
    EXPECT_EQ(qvtest::ReadBytes(path), "original bytes");
}

void ExpectSameFields(const CImage& a, const CImage& b, const std::string& what) {
    EXPECT_EQ(a.cameraIndex, b.cameraIndex) << what;
    EXPECT_EQ(a.Data_version, b.Data_version) << what;
    EXPECT_EQ(a.Exposure, b.Exposure) << what;
    EXPECT_DOUBLE_EQ(a.Focal_length, b.Focal_length) << what;
    EXPECT_DOUBLE_EQ(a.Aperture, b.Aperture) << what;
    EXPECT_DOUBLE_EQ(a.Response_factor, b.Response_factor) << what;
    EXPECT_EQ(a.Note, b.Note) << what;
    EXPECT_EQ(a.display, b.display) << what;
    EXPECT_EQ(a.Width, b.Width) << what;
    EXPECT_EQ(a.Height, b.Height) << what;
    EXPECT_EQ(a.Date, b.Date) << what;
    EXPECT_EQ(a.Time, b.Time) << what;
    EXPECT_EQ(a.Exposure_state, b.Exposure_state) << what;
    EXPECT_DOUBLE_EQ(a.Temperature, b.Temperature) << what;
    EXPECT_EQ(a.Number_exposures, b.Number_exposures) << what;
    EXPECT_EQ(a.Each_exposure, b.Each_exposure) << what;
    EXPECT_EQ(a.History, b.History) << what;
    EXPECT_EQ(a.Observer, b.Observer) << what;
    EXPECT_DOUBLE_EQ(a.X_pixel_size, b.X_pixel_size) << what;
    EXPECT_DOUBLE_EQ(a.Y_pixel_size, b.Y_pixel_size) << what;
    EXPECT_EQ(a.Pedestal, b.Pedestal) << what;
    EXPECT_DOUBLE_EQ(a.E_gain, b.E_gain) << what;
    EXPECT_EQ(a.User_1, b.User_1) << what;
    EXPECT_EQ(a.User_2, b.User_2) << what;
    EXPECT_EQ(a.User_3, b.User_3) << what;
    EXPECT_EQ(a.User_4, b.User_4) << what;
    EXPECT_EQ(a.Filter, b.Filter) << what;
    EXPECT_EQ(a.Readout_mode, b.Readout_mode) << what;
    EXPECT_EQ(a.Track_time, b.Track_time) << what;
    EXPECT_EQ(a.Sat_level, b.Sat_level) << what;
    EXPECT_EQ(a.imageKind, b.imageKind) << what;
}

// Every accepted file version saves as compressed version 3 and loads back the same.
TEST(NativeSave, RoundTripEveryAcceptedVersion) {
    qvtest::TempDir dir;
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool compressed;
    };
    std::vector<std::string> oldCamera = HeaderLines(3, "QV-2 Image", 6, 5);
    oldCamera[1] = "File_version = 1";
    const Case cases[] = {
        {"version 1", HeaderLines(1, "QV-4 Image"), false},
        {"version 2", HeaderLines(2, "QV-5 Compressed Image", 6, 5), true},
        {"version 3", HeaderLines(3, "QV-4 Compressed Image", 6, 5), true},
        {"version 3 uncompressed", HeaderLines(3, "QV-2C Image", 6, 5), false},
        {"version 1 of QV-2", oldCamera, false},
        {"version 7", HeaderLines(7, "QV-W Compressed Image", 6, 5), true},
        {"version 99", HeaderLines(99, "Mystery Spectroscopy Data", 6, 5), false},
    };
    for (const Case& c : cases) {
        CImage first;
        int width = c.lines.size() > 11 ? 6 : first.Width;
        int height = c.lines.size() > 11 ? 5 : first.Height;
        std::vector<uint16_t> pixels = qvtest::TestPixels(width, height);
        std::string data = c.compressed ? qvtest::RawStoredRows(pixels, width) : qvtest::RawPixels(pixels);
        ASSERT_TRUE(qvtest::LoadBytes(dir, HeaderBlock(c.lines) + data, first).ok) << c.name;

        std::string saved = dir.File("saved.qv4");
        ASSERT_TRUE(qvtest::SaveFile(saved, first).ok) << c.name;
        CImage second;
        ASSERT_TRUE(qvtest::LoadFile(saved, second).ok) << c.name;
        EXPECT_EQ(second.File_version, 3) << c.name;
        EXPECT_EQ(second.fileType, kFileCompressed) << c.name;
        EXPECT_EQ(second.cameraName, first.cameraIndex ? CameraTable[first.cameraIndex] : first.cameraName) << c.name;
        ExpectSameFields(first, second, c.name);
        EXPECT_EQ(second.pixels, pixels) << c.name;
    }
}

// Texts holding line breaks or zero bytes cannot break the header's lines.
TEST(NativeSave, TextsCannotBreakTheHeader) {
    qvtest::TempDir dir;
    CImage image;
    image.Width = 3;
    image.Height = 2;
    image.pixels = qvtest::TestPixels(3, 2);
    image.Note = "two\n\rlines";
    image.Observer = std::string("nul\0here", 8);
    image.User_4 = std::string(100, 'u');
    std::string path = dir.File("texts.qv4");
    ASSERT_TRUE(qvtest::SaveFile(path, image).ok);
    CImage back;
    ASSERT_TRUE(qvtest::LoadFile(path, back).ok);
    EXPECT_EQ(back.Note, "two  lines");
    EXPECT_EQ(back.Observer, "nul here");
    EXPECT_EQ(back.User_4, std::string(64, 'u'));
    EXPECT_EQ(back.Sat_level, image.Sat_level);
    EXPECT_EQ(back.pixels, image.pixels);
}

// A note longer than the format's 78 characters is not cut without a word:
// the save is refused with a message and nothing is written.
TEST(NativeSave, NoteLongerThanTheFormatIsRefused) {
    qvtest::TempDir dir;
    CImage image;
    image.Width = 3;
    image.Height = 2;
    image.pixels = qvtest::TestPixels(3, 2);
    image.Note = std::string(79, 'n');
    std::string path = dir.File("long-note.qv4");
    qvtest::LoadResult result = qvtest::SaveFile(path, image);
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_NE(result.messages[0].find("its note has 79 characters and the format holds 78"), std::string::npos)
        << result.messages[0];
    EXPECT_FALSE(std::filesystem::exists(path));
    image.Note.pop_back();
    EXPECT_TRUE(qvtest::SaveFile(path, image).ok);
}

// The writer's bytes for a small image match the reviewed copy.
TEST(NativeSave, MatchesGoldenFile) {
    qvtest::TempDir dir;
    CImage image;
    std::string golden = std::string(QV_IMAGE_TEST_DATA) + "/small_v3.qv4";
    ASSERT_TRUE(qvtest::LoadFile(golden, image).ok);
    std::string path = dir.File("small.qv4");
    ASSERT_TRUE(qvtest::SaveFile(path, image).ok);
    EXPECT_EQ(qvtest::ReadBytes(path), qvtest::ReadBytes(golden));
}

}  // namespace

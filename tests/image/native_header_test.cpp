#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/native_io.h"
#include "native_file_builder.h"

namespace {

using qvtest::HeaderBlock;
using qvtest::HeaderLines;

constexpr const char* kUnsupportedCamera =
    "Image is from a Camera not supported by this version of Quorvane.\n\n"
    "Please check the web or contact KESL for an update.";
constexpr const char* kNotBlackAndWhite = "File opened was not a Standard Black and White Image";

// Replaces the line that starts with key (the first such line).
void SetLine(std::vector<std::string>& lines, const std::string& key, const std::string& line) {
    auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(key, 0) == 0; });
    ASSERT_NE(found, lines.end()) << "no line " << key;
    *found = line;
}

void RemoveLine(std::vector<std::string>& lines, const std::string& key) {
    auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(key, 0) == 0; });
    ASSERT_NE(found, lines.end()) << "no line " << key;
    lines.erase(found);
}

bool Identify(CImage& image, const std::string& firstLine) {
    std::string block = HeaderBlock({firstLine});
    return image.IdentifyNativeFile(block.data());
}

// The first line gives the camera row and the file type; odd tokens map as the
// maker's older cameras require.
TEST(NativeIdentify, CameraTokenAndTypeText) {
    struct Case {
        const char* line;
        int cameraIndex;
        int fileType;
        const char* name;
    };
    const Case cases[] = {
        {"QV-4 Compressed Image", 6, kFileCompressed, "QV-4"},
        {"QV-2C Image", 8, kFileUncompressed, "QV-2C"},
        {"QV-37 Compressed Image", 8, kFileCompressed, "QV-37"},
        {"QV-9 Image", 0, kFileUncompressed, "QV-9"},
        {"Mystery Compressed Image", 0, kFileCompressed, "Mystery"},
        {"QV-W Track_Log Image", 12, kFileTrackLog, "QV-W"},
        {"QV-5 Track List", 7, kFileTrackList, "QV-5"},
        {"QV-6 Spectroscopy Data", 11, kFileSpectroscopy, "QV-6"},
        {"QV-4 ", 6, kFileTypeNotStated, "QV-4"},
        {"QV-4", 6, kFileTypeNotStated, "QV-4"},
        {"qv-4 Compressed Image", 0, kFileCompressed, "qv-4"},
        {"QV-4 Compressed Image, binned", 6, kFileUncompressed, "QV-4"},
    };
    for (const Case& c : cases) {
        CImage image;
        ASSERT_TRUE(Identify(image, c.line)) << c.line;
        EXPECT_EQ(image.cameraIndex, c.cameraIndex) << c.line;
        EXPECT_EQ(image.fileType, c.fileType) << c.line;
        EXPECT_EQ(image.cameraName, c.name) << c.line;
    }
}

// No token at all is no native file; FITS content is recognised by its first card.
TEST(NativeIdentify, EmptyAndFitsBlocks) {
    CImage image;
    EXPECT_FALSE(Identify(image, ""));
    std::string fits = "SIMPLE  =                    T";
    fits.resize(kNativeHeaderBytes, ' ');
    EXPECT_TRUE(image.IdentifyNativeFile(fits.data()));
    EXPECT_EQ(image.fileType, kFileFits);
}

// A block with no zero byte and no line end is searched only inside its 2048 bytes.
TEST(NativeHeader, BlockWithoutTerminatorStaysInside) {
    std::vector<char> block(kNativeHeaderBytes, 'Q');
    CImage image;
    EXPECT_TRUE(image.IdentifyNativeFile(block.data()));
    EXPECT_EQ(image.cameraName, "QQQQQQQQQ");
    EXPECT_FALSE(image.ParseNativeHeader(block.data()));
}

// A version-3 header fills every field, keyed lines included.
TEST(NativeHeader, Version3FillsEveryField) {
    CImage image;
    std::string block = HeaderBlock(HeaderLines(3));
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_EQ(image.File_version, 3);
    EXPECT_EQ(image.Exposure, 1500);
    EXPECT_DOUBLE_EQ(image.Focal_length, 80.0);
    EXPECT_DOUBLE_EQ(image.Response_factor, 1.25);
    EXPECT_EQ(image.Note, "first light");
    EXPECT_EQ(image.display.back, 120);
    EXPECT_EQ(image.display.range, 900);
    EXPECT_EQ(image.Width, 4);
    EXPECT_EQ(image.Height, 3);
    EXPECT_EQ(image.Date, "06/21/98");
    EXPECT_EQ(image.Time, "23:15:09");
    EXPECT_EQ(image.Exposure_state, 5);
    EXPECT_DOUBLE_EQ(image.Temperature, -20.5);
    EXPECT_EQ(image.Number_exposures, 2);
    EXPECT_EQ(image.Each_exposure, 750);
    EXPECT_EQ(image.History, "@AB");
    EXPECT_EQ(image.Observer, "J. Doe");
    EXPECT_DOUBLE_EQ(image.Y_pixel_size, 0.011);
    EXPECT_EQ(image.Pedestal, 100);
    EXPECT_DOUBLE_EQ(image.E_gain, 2.3);
    EXPECT_EQ(image.User_1, "site: backyard");
    EXPECT_EQ(image.User_2, "");
    EXPECT_EQ(image.User_3, "seeing 3");
    EXPECT_EQ(image.Filter, "Red");
    EXPECT_EQ(image.Readout_mode, 2);
    EXPECT_EQ(image.Track_time, 45);
    EXPECT_EQ(image.Sat_level, 40000u);
}

// Version-1 files of the QV-1X and QV-2 carry the version-3 lines.
TEST(NativeHeader, Version1OfOlderCamerasReadsVersion3Lines) {
    std::vector<std::string> lines = HeaderLines(3, "QV-2 Image");
    SetLine(lines, "File_version", "File_version = 1");
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_EQ(image.File_version, 3);
    EXPECT_EQ(image.Filter, "Red");
    EXPECT_DOUBLE_EQ(image.E_gain, 2.3);
}

// Older versions keep the record's defaults for the lines they lack.
TEST(NativeHeader, OlderVersionsKeepDefaults) {
    CImage v2;
    std::string block = HeaderBlock(HeaderLines(2));
    ASSERT_TRUE(v2.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(v2.ParseNativeHeader(block.data()));
    EXPECT_DOUBLE_EQ(v2.X_pixel_size, 0.023);
    EXPECT_DOUBLE_EQ(v2.Y_pixel_size, 0.027);
    EXPECT_DOUBLE_EQ(v2.E_gain, 6.7);
    EXPECT_EQ(v2.Sat_level, 65535u);
    EXPECT_EQ(v2.Filter, "Unknown");
    EXPECT_EQ(v2.Readout_mode, 0);

    CImage v1;
    block = HeaderBlock(HeaderLines(1));
    ASSERT_TRUE(v1.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(v1.ParseNativeHeader(block.data()));
    EXPECT_EQ(v1.Width, 375);
    EXPECT_EQ(v1.Height, 241);
    EXPECT_EQ(v1.Date, "?\?/?\?/??");
}

// Implausibly small optics and gain are replaced by working values.
TEST(NativeHeader, SmallOpticsAndGainGetWorkingValues) {
    std::vector<std::string> lines = HeaderLines(3);
    SetLine(lines, "Focal_length", "Focal_length = 0.000");
    SetLine(lines, "Aperture", "Aperture = 0.05");
    SetLine(lines, "E_gain", "E_gain = 0.00");
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_DOUBLE_EQ(image.Focal_length, 80.0);
    EXPECT_DOUBLE_EQ(image.Aperture, 38.0);
    EXPECT_DOUBLE_EQ(image.E_gain, 2.5);
}

// Optional keyed lines may be missing one by one; the next key is tried on the same line.
TEST(NativeHeader, MissingKeyedLinesAreSkipped) {
    std::vector<std::string> lines = HeaderLines(3, "OptaCam51 Image");
    RemoveLine(lines, "Filter");
    RemoveLine(lines, "Sat_level");
    SetLine(lines, "Readout_mode", "Readout_mode = 0");
    SetLine(lines, "Number_exposures", "Number_exposures = 1");
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_EQ(image.Filter, "Unknown");
    EXPECT_EQ(image.Readout_mode, 0);
    EXPECT_EQ(image.Track_time, 45);
    EXPECT_EQ(image.Sat_level, 32767u) << "the camera's default when the file names none";
}

// User lines: a following line without its own key leaves that field empty but is consumed.
TEST(NativeHeader, UserLinesWithoutTheirKeyAreConsumed) {
    std::vector<std::string> lines = HeaderLines(3);
    SetLine(lines, "User_2", "stray text");
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_EQ(image.User_1, "site: backyard");
    EXPECT_EQ(image.User_2, "");
    EXPECT_EQ(image.User_3, "seeing 3");
    EXPECT_EQ(image.Filter, "Red");

    lines = HeaderLines(3);
    for (const char* key : {"User_1", "User_2", "User_3", "User_4"}) RemoveLine(lines, key);
    CImage noUsers;
    noUsers.User_1 = "old";
    block = HeaderBlock(lines);
    ASSERT_TRUE(noUsers.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(noUsers.ParseNativeHeader(block.data()));
    EXPECT_EQ(noUsers.User_1, "");
    EXPECT_EQ(noUsers.Filter, "Red");
}

// Text values: "-" means empty, long values are cut to the field, leading blanks are dropped.
TEST(NativeHeader, TextValues) {
    std::vector<std::string> lines = HeaderLines(3);
    SetLine(lines, "Note", "Note = -");
    SetLine(lines, "Date", "Date = -");
    SetLine(lines, "Observer", "Observer =     " + std::string(40, 'x'));
    SetLine(lines, "History", "History = ");
    SetLine(lines, "Filter", "Filter = Hydrogen-alpha");
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    ASSERT_TRUE(image.ParseNativeHeader(block.data()));
    EXPECT_EQ(image.Note, "");
    EXPECT_EQ(image.Date, "");
    EXPECT_EQ(image.Observer, std::string(30, 'x'));
    EXPECT_EQ(image.History, "");
    EXPECT_EQ(image.Filter, "Hydrogen-a");
}

// Unreadable required lines, missing lines and out-of-range numbers reject the header.
TEST(NativeHeader, BrokenRequiredLinesReject) {
    struct Case {
        const char* key;
        const char* line;
    };
    const Case cases[] = {
        {"Exposure", "Exposure = soon"},
        {"Exposure", "Exposure = 99999999999"},
        {"Width", "Width ="},
        {"Date", "Date =   "},
        {"Time", "Time"},
        {"Temperature", "Temperature = 1e999"},
        {"E_gain", "E_gain: 2.3"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = HeaderLines(3);
        SetLine(lines, c.key, c.line);
        CImage image;
        std::string block = HeaderBlock(lines);
        ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
        EXPECT_FALSE(image.ParseNativeHeader(block.data())) << c.line;
        EXPECT_EQ(image.Readout_mode, 0) << "readout -1 becomes 0 whatever the outcome";
    }
    // Text cut off in the middle of the positional lines.
    std::vector<std::string> lines = HeaderLines(3);
    lines.resize(15);
    CImage image;
    std::string block = HeaderBlock(lines);
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    EXPECT_FALSE(image.ParseNativeHeader(block.data()));
}

// A number followed by anything but blanks is refused and the reason names
// the key and the value; it is never read as its leading digits.
TEST(NativeHeader, NumbersWithTrailingCharactersAreRefused) {
    struct Case {
        const char* key;
        const char* line;
        const char* named;
    };
    const Case refused[] = {
        {"Width", "Width = 0x2FD", "Width has the value \"0x2FD\""},
        {"Height", "Height = 12abc", "Height has the value \"12abc\""},
        {"Temperature", "Temperature = -20.5C", "Temperature has the value \"-20.5C\""},
        {"Exposure", "Exposure = 15 00", "Exposure has the value \"15 00\""},
        {"Sat_level", "Sat_level = 4095x", "Sat_level has the value \"4095x\""},
        {"Readout_mode", "Readout_mode = 2\x01", "Readout_mode has the value \"2?\""},
    };
    for (const Case& c : refused) {
        std::vector<std::string> lines = HeaderLines(3);
        SetLine(lines, c.key, c.line);
        std::string block = HeaderBlock(lines);
        CImage image;
        ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
        std::string problem;
        EXPECT_FALSE(ParseNativeHeaderBlock(image, block.data(), problem)) << c.line;
        EXPECT_NE(problem.find(c.named), std::string::npos) << problem;
        EXPECT_FALSE(image.ParseNativeHeader(block.data())) << c.line;
    }
    // Blanks and tabs around a number are still a number, on keyed lines too;
    // a keyed line without any number keeps the field's value as before.
    std::vector<std::string> lines = HeaderLines(3);
    SetLine(lines, "Width", "Width =\t4  \t");
    SetLine(lines, "Temperature", "Temperature = -20.50   ");
    SetLine(lines, "Sat_level", "Sat_level = 4095 ");
    SetLine(lines, "Track_time", "Track_time = none");
    std::string block = HeaderBlock(lines);
    CImage image;
    ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
    std::string problem;
    ASSERT_TRUE(ParseNativeHeaderBlock(image, block.data(), problem)) << problem;
    EXPECT_EQ(image.Width, 4);
    EXPECT_DOUBLE_EQ(image.Temperature, -20.5);
    EXPECT_EQ(image.Sat_level, 4095u);
    EXPECT_TRUE(problem.empty());
}

// File and data versions must agree; later versions in the version-3 layout are read as version 3.
TEST(NativeHeader, VersionRules) {
    struct Case {
        int fileVersion;
        const char* dataVersion;  // nullptr keeps the builder's value
        bool extraNumericLine;
        bool accepted;
        int imageKind;
    };
    const Case cases[] = {
        {3, "2", false, false, 0}, {4, nullptr, false, true, 1}, {4, "1", false, false, 1},
        {5, nullptr, false, true, 2}, {7, nullptr, false, true, 0}, {99, nullptr, false, true, 0},
        {7, nullptr, true, false, 0}, {100, nullptr, false, false, 0}, {0, nullptr, false, false, 0},
        {-3, nullptr, false, false, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = HeaderLines(c.fileVersion);
        if (c.dataVersion) SetLine(lines, "Data_version", std::string("Data_version = ") + c.dataVersion);
        if (c.extraNumericLine) lines.insert(lines.end() - 1, "Color_mode = 1");
        CImage image;
        std::string block = HeaderBlock(lines);
        ASSERT_TRUE(image.IdentifyNativeFile(block.data()));
        EXPECT_EQ(image.ParseNativeHeader(block.data()), c.accepted) << "version " << c.fileVersion;
        if (c.accepted) {
            EXPECT_EQ(image.imageKind, c.imageKind) << "version " << c.fileVersion;
        }
    }
}

// The saturation default follows the camera, co-added exposures and readout mode.
TEST(NativeHeader, DefaultSatLevel) {
    EXPECT_EQ(CImage::DefaultSatLevel(0, 1, 0), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(1, 1, 0), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(2, 1, 0), 16383u);
    EXPECT_EQ(CImage::DefaultSatLevel(3, 2, 0), 32767u);
    EXPECT_EQ(CImage::DefaultSatLevel(3, 3, 5), 49151u);
    EXPECT_EQ(CImage::DefaultSatLevel(3, 4, 0), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(2, 0, 0), 65535u) << "no exposures cannot give a negative level";
    EXPECT_EQ(CImage::DefaultSatLevel(2, -7, 0), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(8, 1, 0), 32767u);
    EXPECT_EQ(CImage::DefaultSatLevel(8, 2, 0), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(8, 1, 1), 65535u);
    EXPECT_EQ(CImage::DefaultSatLevel(6, 1, 0), 65535u);
}

// Loading refuses, with the user's message, what the program cannot show.
TEST(NativeLoad, RefusalsCarryTheirMessages) {
    qvtest::TempDir dir;
    struct Case {
        std::vector<std::string> lines;
        const char* message;
    };
    std::vector<std::string> unknownNoType = HeaderLines(3, "Mystery");
    std::vector<std::string> colour4 = HeaderLines(4);
    std::vector<std::string> colour5 = HeaderLines(5);
    std::vector<std::string> data2 = HeaderLines(7);
    SetLine(data2, "Data_version", "Data_version = 2");
    const Case cases[] = {
        {unknownNoType, kUnsupportedCamera},
        {colour4, kNotBlackAndWhite},
        {colour5, kNotBlackAndWhite},
    };
    for (const Case& c : cases) {
        CImage image;
        auto result = qvtest::LoadBytes(dir, HeaderBlock(c.lines) + std::string(24, '\0'), image);
        EXPECT_FALSE(result.ok) << c.lines[0];
        EXPECT_EQ(result.cause, CFileException::generic);
        EXPECT_EQ(result.messages, std::vector<std::string>{c.message}) << c.lines[0];
    }
    // A header that is not accepted fails without a message of its own.
    CImage image;
    auto result = qvtest::LoadBytes(dir, HeaderBlock(data2), image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.cause, CFileException::generic);
    EXPECT_TRUE(result.messages.empty());
}

// A block shorter than 2048 bytes ends the load early.
TEST(NativeLoad, ShortHeaderBlockIsEndOfFile) {
    qvtest::TempDir dir;
    CImage image;
    auto result = qvtest::LoadBytes(dir, HeaderBlock(HeaderLines(3)).substr(0, 1000), image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.cause, CFileException::endOfFile);
}

}  // namespace

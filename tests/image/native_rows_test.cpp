#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image.h"
#include "native_file_builder.h"

namespace {

using qvtest::HeaderBlock;
using qvtest::HeaderLines;
using qvtest::StoredRow;

constexpr const char* kRowLengthOutOfRange = "Specified length of compressed line is out of range";
constexpr const char* kDecompressionFailed = "line decompression failed";

std::vector<uint16_t> Expand(int width, const std::vector<uint8_t>& stored, bool& ok) {
    CImage image;
    image.Width = width;
    std::vector<uint16_t> row(size_t(width), 0xDEAD);
    ok = image.ExpandLine(int(stored.size()), stored.data(), row.data());
    return row;
}

// Deltas add to the previous pixel in 16-bit arithmetic; 0x80 escapes a full value.
TEST(NativeRows, ExpandDeltasAndEscapes) {
    bool ok = false;
    auto row = Expand(6, {0x10, 0x00, 0x05, 0xFB, 0x80, 0x34, 0x12, 0x7F, 0x81}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(row, (std::vector<uint16_t>{0x10, 0x15, 0x10, 0x1234, 0x12B3, 0x1234}));

    row = Expand(3, {0x00, 0x00, 0xFF, 0x01}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(row, (std::vector<uint16_t>{0, 65535, 0})) << "wraps around 16 bits";
}

// A stored length of exactly twice the width is the raw row.
TEST(NativeRows, ExpandRawRow) {
    bool ok = false;
    auto row = Expand(2, {0x01, 0x02, 0x80, 0x00}, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(row, (std::vector<uint16_t>{0x0201, 0x0080}));
}

// Too few pixels fail, surplus bytes are ignored, an escape cut short produces nothing.
TEST(NativeRows, ExpandCountsPixels) {
    bool ok = true;
    Expand(4, {0x00, 0x00, 0x01, 0x01}, ok);
    EXPECT_FALSE(ok);
    Expand(3, {0x00, 0x00, 0x01, 0x01, 0x01, 0x01}, ok);
    EXPECT_TRUE(ok);
    Expand(3, {0x00, 0x00, 0x01, 0x80, 0x05}, ok);
    EXPECT_FALSE(ok);
    Expand(3, {0x00}, ok);
    EXPECT_FALSE(ok);
}

std::string CompressedFile(int width, int height, const std::string& rows) {
    return HeaderBlock(HeaderLines(3, "QV-4 Compressed Image", width, height)) + rows;
}

// Rows of every encoding load into the right pixels, first row first.
TEST(NativeRows, LoadCompressedRows) {
    qvtest::TempDir dir;
    std::string rows = StoredRow({0x00, 0x10, 0x01, 0x02, 0x03}) +                  // deltas
                       StoredRow({0xFF, 0xFF, 0x80, 0x00, 0x00, 0x01, 0x7F}) +        // escape
                       StoredRow({1, 0, 2, 0, 3, 0, 4, 0});                          // raw
    CImage image;
    auto result = qvtest::LoadBytes(dir, CompressedFile(4, 3, rows), image);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{0x1000, 0x1001, 0x1003, 0x1006, 0xFFFF, 0, 1, 128, 1, 2, 3, 4}));
}

// Row lengths must lie above the width and not above twice the width.
TEST(NativeRows, RowLengthOutOfRange) {
    qvtest::TempDir dir;
    const std::vector<uint8_t> bad[] = {
        {0x00, 0x10, 0x01, 0x01},                          // L = W
        {1, 0, 2, 0, 3, 0, 4, 0, 5},                       // L = 2W + 1
        {},                                                // L = 0
    };
    for (const auto& stored : bad) {
        CImage image;
        auto result = qvtest::LoadBytes(dir, CompressedFile(4, 1, StoredRow(stored)), image);
        EXPECT_FALSE(result.ok) << "length " << stored.size();
        EXPECT_EQ(result.cause, CFileException::generic);
        EXPECT_EQ(result.messages, std::vector<std::string>{kRowLengthOutOfRange}) << "length " << stored.size();
        EXPECT_FALSE(image.HasPixels());
    }
}

// A row that yields too few pixels is refused with its own message.
TEST(NativeRows, RowDecompressionFailure) {
    qvtest::TempDir dir;
    CImage image;
    auto rows = StoredRow({0x00, 0x10, 0x01, 0x01, 0x01}) + StoredRow({0x00, 0x10, 0x80, 0x01, 0x00, 0x80, 0x02});
    auto result = qvtest::LoadBytes(dir, CompressedFile(4, 2, rows), image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.messages, std::vector<std::string>{kDecompressionFailed});
    EXPECT_FALSE(image.HasPixels());
}

// Data cut off inside a length, a row or an uncompressed image is an end-of-file failure.
TEST(NativeRows, TruncatedDataIsEndOfFile) {
    qvtest::TempDir dir;
    std::string full = CompressedFile(4, 2, StoredRow({0, 1, 1, 1, 1}) + StoredRow({0, 1, 1, 1, 1}));
    for (size_t cut : {full.size() - 1, full.size() - 6, full.size() - 7, size_t(kNativeHeaderBytes)}) {
        CImage image;
        auto result = qvtest::LoadBytes(dir, full.substr(0, cut), image);
        EXPECT_FALSE(result.ok) << "cut at " << cut;
        EXPECT_EQ(result.cause, CFileException::endOfFile) << "cut at " << cut;
        EXPECT_TRUE(result.messages.empty()) << "cut at " << cut;
    }
    std::string raw = HeaderBlock(HeaderLines(3, "QV-4 Image", 4, 2)) + qvtest::RawPixels(qvtest::TestPixels(4, 2));
    CImage image;
    auto result = qvtest::LoadBytes(dir, raw.substr(0, raw.size() - 1), image);
    EXPECT_EQ(result.cause, CFileException::endOfFile);
}

// Every type other than compressed is read as plain little-endian rows.
TEST(NativeRows, LoadUncompressedTypes) {
    qvtest::TempDir dir;
    std::vector<uint16_t> pixels = qvtest::TestPixels(5, 3);
    for (const char* firstLine : {"QV-4 Image", "QV-4 Track_Log Image", "QV-4 Track List", "QV-4 Spectroscopy Data",
                                  "QV-4 "}) {
        CImage image;
        auto result =
            qvtest::LoadBytes(dir, HeaderBlock(HeaderLines(3, firstLine, 5, 3)) + qvtest::RawPixels(pixels), image);
        ASSERT_TRUE(result.ok) << firstLine;
        EXPECT_EQ(image.pixels, pixels) << firstLine;
    }
}

// Sizes below one pixel or beyond what the program holds are refused before any allocation.
TEST(NativeRows, ImpossibleSizesAreRefused) {
    qvtest::TempDir dir;
    const std::pair<int, int> sizes[] = {{0, 3}, {4, 0}, {-4, 3}, {4, -2147483647 - 1}, {70000, 1}, {65535, 65535}};
    for (auto [width, height] : sizes) {
        CImage image;
        auto result = qvtest::LoadBytes(dir, CompressedFile(width, height, std::string(64, '\x01')), image);
        EXPECT_FALSE(result.ok) << width << " x " << height;
        EXPECT_EQ(result.cause, CFileException::generic) << width << " x " << height;
        ASSERT_EQ(result.messages.size(), 1u) << width << " x " << height;
        EXPECT_NE(result.messages[0].find("is not supported"), std::string::npos) << result.messages[0];
        EXPECT_FALSE(image.HasPixels());
    }
}

// A header promising far more rows than the file holds ends as end-of-file, not as a huge buffer.
TEST(NativeRows, PromisedRowsBeyondFileAreEndOfFile) {
    qvtest::TempDir dir;
    for (const char* firstLine : {"QV-4 Compressed Image", "QV-4 Image"}) {
        CImage image;
        // A plausible first row length (30001), then the file ends.
        std::string data = HeaderBlock(HeaderLines(3, firstLine, 30000, 30000)) + std::string("\x31\x75") + "abc";
        auto result = qvtest::LoadBytes(dir, data, image);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.cause, CFileException::endOfFile) << firstLine;
        EXPECT_FALSE(image.HasPixels());
    }
}

}  // namespace

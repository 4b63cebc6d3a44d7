// The import's buffer requests against files that no longer fit the buffer
// the caller sized from the probe (a file replaced between the calls).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fits_test_files.h"
#include "fitslib/orbex.h"
#include "image/fits_reader.h"
#include "image/image.h"

using namespace fitstest;

namespace {

constexpr unsigned char kUntouched = 0xA5;
constexpr size_t kGuardBytes = 64;

// capacity bytes offered to the library, then a guard region it must never reach.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t capacity)
        : bytes(capacity + kGuardBytes, kUntouched), request{bytes.data(), capacity, 0} {}
    // Index of the first byte at or after from that the library wrote, or -1.
    long FirstTouched(size_t from = 0) const {
        for (size_t i = from; i < bytes.size(); ++i)
            if (bytes[i] != kUntouched)
                return long(i);
        return -1;
    }
    std::vector<unsigned char> bytes;
    FITSBUFFER request;
};

std::vector<std::string> CardsWithHistory(int columns, int rows, int history) {
    std::vector<std::string> cards = ImageCards(16, columns, rows);
    for (int i = 0; i < history; ++i)
        cards.push_back(Card("HISTORY step " + std::to_string(i)));
    return cards;
}

// The file the next FI_HEADER call is followed by: copied over the one being
// imported, as if it had been replaced on disk between the requests.
std::string replacement;

uint16_t ImportThenReplace(uint16_t request, const char* path, void* output) {
    uint16_t status = FITSImport(request, path, output);
    if (request == FI_HEADER && !replacement.empty())
        std::filesystem::copy_file(replacement, path,
                                   std::filesystem::copy_options::overwrite_existing);
    return status;
}

}  // namespace

// A result larger than the offered capacity is refused with one report line
// and nothing written; an exact capacity is filled without touching the guard.
TEST(FitsImportCapacity, BufferTooSmallForTheFileIsRefusedUntouched) {
    TempFolder folder;
    std::string path = folder.Path("small.fits");
    std::vector<std::string> cards = CardsWithHistory(3, 2, 4);
    WriteFits16(path, cards, {1, 2, 3, 4, 5, 6});
    struct Case {
        const char* what;
        uint16_t request;
        size_t needed;
    } cases[] = {
        {"header text", FI_HEADERTEXT_EX, 80 * cards.size() + 1},
        {"pixels", FI_PIXELS_EX, 6 * sizeof(uint16_t)},
    };
    for (const Case& c : cases) {
        for (size_t capacity : {size_t(0), c.needed - 1}) {
            GuardedBuffer buffer(capacity);
            ::testing::internal::CaptureStderr();
            EXPECT_EQ(FITSImport(c.request, path.c_str(), &buffer.request), FI_FAILED)
                << c.what << " into " << capacity << " bytes";
            std::string report = ::testing::internal::GetCapturedStderr();
            EXPECT_NE(report.find("for " + std::to_string(c.needed) + " bytes"), std::string::npos)
                << c.what << ": " << report;
            EXPECT_EQ(buffer.FirstTouched(), -1) << c.what << " into " << capacity << " bytes";
        }
        GuardedBuffer exact(c.needed);
        EXPECT_EQ(FITSImport(c.request, path.c_str(), &exact.request), FI_OK) << c.what;
        EXPECT_EQ(exact.FirstTouched(c.needed), -1) << c.what << ": guard region written";

        FITSBUFFER missing{nullptr, c.needed, 0};
        EXPECT_EQ(FITSImport(c.request, path.c_str(), &missing), FI_FAILED) << c.what;
    }
}

// A file replaced after the header request: more cards than probed only cost
// the kept header records; a larger image fails the load and leaves the
// user's record as it was.
TEST(FitsImportCapacity, FileReplacedAfterTheProbe) {
    TempFolder folder;
    std::string path = folder.Path("image.fits");
    std::string longer = folder.Path("longer.fits");
    std::string larger = folder.Path("larger.fits");
    WriteFits16(longer, CardsWithHistory(3, 2, 60), {1, 2, 3, 4, 5, 6});
    WriteFits16(larger, CardsWithHistory(40, 30, 60), std::vector<int16_t>(1200, 9));

    WriteFits16(path, CardsWithHistory(3, 2, 1), {0, 0, 0, 0, 0, 0});
    replacement = longer;
    CImage grown;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ImportFitsImage(grown, path, &ImportThenReplace), FitsImportOutcome::ok);
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(grown.fitsRecords.empty());
    EXPECT_EQ(grown.pixels, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6}));

    WriteFits16(path, CardsWithHistory(3, 2, 1), {0, 0, 0, 0, 0, 0});
    replacement = larger;
    CImage image;
    image.Width = 5;
    image.Height = 1;
    image.pixels.assign(5, 42);
    image.fitsRecords = {'x', '\0'};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ImportFitsImage(image, path, &ImportThenReplace), FitsImportOutcome::failed);
    ::testing::internal::GetCapturedStderr();
    replacement.clear();
    EXPECT_EQ(image.Width, 5);
    EXPECT_EQ(image.pixels, std::vector<uint16_t>(5, 42));
    EXPECT_EQ(image.fitsRecords, (std::vector<char>{'x', '\0'}));
    EXPECT_EQ(image.fileType, kFileCompressed);
}

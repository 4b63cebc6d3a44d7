// What the user is told when a FITS file cannot be opened: the real cause
// and the file's name, one line from the command-line tool.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fits_test_files.h"
#include "fitslib/orbex.h"
#include "image/fits_reader.h"

namespace {

using namespace fitstest;

// Runs the tool; returns its exit status and what it wrote on stderr.
int RunCli(const TempFolder& folder, const std::string& arguments, std::string& err) {
    const std::string errPath = folder.Path("stderr.txt");
    const int status = RunCommand(Quote(QV_CLI) + " " + arguments + " >/dev/null 2>" + Quote(errPath));
    const std::vector<uint8_t> bytes = ReadBytes(errPath);
    err.assign(bytes.begin(), bytes.end());
    return status;
}

// The tool's own lines (the library's numbered line goes to stderr too).
std::string ToolLines(const std::string& err) {
    std::string lines;
    size_t at = 0;
    while (at < err.size()) {
        size_t end = err.find('\n', at);
        if (end == std::string::npos) end = err.size();
        std::string line = err.substr(at, end - at);
        if (line.rfind("quorvane-cli: ", 0) == 0) lines += line + "\n";
        at = end + 1;
    }
    return lines;
}

void WritePacked(const std::string& path, int width, int height) {
    std::vector<int16_t> pixels(size_t(width) * size_t(height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = int16_t(i * 37 % 1000);
    FITSHEADER* hdr = p_fits_newopen(0, 16, 2, width, height, 0, 0);
    ASSERT_NE(hdr, nullptr);
    ASSERT_TRUE(fits_write(hdr, pixels.data(), PACK_DIFF, path.c_str()));
    fits_close(hdr);
}

// A 16-bit file cut short, a packed file (shorter than the native header
// block, and longer) and a float file each get one line naming the file
// and what is wrong, instead of "opens plain 16-bit images with two axes"
// or "Unexpected end of file".
TEST(FitsMessages, RefusedFilesNameTheirCause) {
    TempFolder folder;
    const std::string cut = folder.Path("cut.fits");
    WriteFits16(cut, ImageCards(16, 40, 30), std::vector<int16_t>(1200, 7));
    std::filesystem::resize_file(cut, 2880 + 100);
    const std::string small = folder.Path("small-packed.fits");
    WritePacked(small, 6, 4);
    const std::string large = folder.Path("large-packed.fits");
    WritePacked(large, 200, 150);
    ASSERT_GT(std::filesystem::file_size(large), 2048u);
    const std::string wide = folder.Path("float.fits");
    WriteFitsBytes(wide, ImageCards(-32, 2, 2), std::vector<uint8_t>(16, 0));

    struct Case {
        std::string arguments;
        std::string file;
        std::string cause;
    };
    const Case cases[] = {
        {"info " + Quote(cut), cut, "is cut short: its header declares more data than the file holds (2400 bytes"},
        {"info " + Quote(small), small, "is a packed FITS file, which Quorvane does not open; unpack it first"},
        {"render " + Quote(large) + " " + Quote(folder.Path("o.png")), large, "is a packed FITS file"},
        {"info " + Quote(wide), wide, "32-bit floating-point values; Quorvane opens such images only converted to "
                                      "16 bits. Convert it first: quorvane-cli convert " + wide + " OUT.fits --scale auto."},
        {"deconvolve " + Quote(wide) + " " + Quote(folder.Path("d.fits")) + " --star 1,1", wide,
         "Convert it with --scale auto or --scale MIN,MAX."},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(RunCli(folder, c.arguments, err), 1) << c.arguments;
        const std::string lines = ToolLines(err);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << err;
        EXPECT_EQ(lines.rfind("quorvane-cli: " + c.file + ": ", 0), 0u) << err;
        EXPECT_NE(lines.find(c.cause), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path("o.png")));
    EXPECT_FALSE(std::filesystem::exists(folder.Path("d.fits")));
}

// The library's cause reaches the user's notice: each cause its sentence,
// and a library that names none (or an older stand-in) the general notice.
TEST(FitsMessages, LibraryCauseBecomesTheNotice) {
    static FITSIMPORTERROR reported;
    auto import = [](uint16_t request, const char*, void* output) -> uint16_t {
        if (request != FI_LASTERROR) return FI_FAILED;
        *static_cast<FITSIMPORTERROR*>(output) = reported;
        return FI_OK;
    };
    const struct {
        int32_t cause;
        const char* detail;
        const char* notice;
    } cases[] = {
        {FIC_MEMORY, "for 256000000 bytes", "There is not enough memory to read the FITS image."},
        {FIC_TRUNCATED, "(9 bytes of data declared, 1 in the file)",
         "The FITS file is cut short: its header declares more data than the file holds (9 bytes of data "
         "declared, 1 in the file)."},
        {FIC_NONE, "", FitsImportFailureText(FitsImportOutcome::failed)},
        {FIC_OTHER, "", FitsImportFailureText(FitsImportOutcome::failed)},
    };
    for (const auto& c : cases) {
        reported = FITSIMPORTERROR{c.cause, 1, {}};
        std::strncpy(reported.detail, c.detail, sizeof reported.detail - 1);
        EXPECT_EQ(FitsImportFailureCause(FitsImportOutcome::failed, "x.fits", import), c.notice);
    }
    auto older = [](uint16_t, const char*, void*) -> uint16_t { return FI_FAILED; };
    EXPECT_EQ(FitsImportFailureCause(FitsImportOutcome::unsupported, "x.fits", older),
              FitsImportFailureText(FitsImportOutcome::unsupported));
}

// The library remembers what ended a request until the next one: a file cut
// short is told as such, and a good request after it reports nothing.
TEST(FitsMessages, LastErrorBelongsToThePreviousRequest) {
    TempFolder folder;
    const std::string cut = folder.Path("cut.fits");
    WriteFits16(cut, ImageCards(16, 40, 30), std::vector<int16_t>(1200, 7));
    std::filesystem::resize_file(cut, 2880 + 100);
    FITSPROBEEX probe{};
    EXPECT_EQ(FITSImport(FI_PROBE_EX, cut.c_str(), &probe), FI_FAILED);
    FITSIMPORTERROR error{};
    EXPECT_EQ(FITSImport(FI_LASTERROR, nullptr, &error), FI_OK);
    EXPECT_EQ(error.cause, FIC_TRUNCATED);
    EXPECT_EQ(error.code, 96);
    const std::string good = folder.Path("good.fits");
    WriteFits16(good, ImageCards(16, 4, 3), std::vector<int16_t>(12, 7));
    EXPECT_EQ(FITSImport(FI_PROBE_EX, good.c_str(), &probe), FI_OK);
    EXPECT_EQ(FITSImport(FI_LASTERROR, nullptr, &error), FI_OK);
    EXPECT_EQ(error.cause, FIC_NONE);
    EXPECT_EQ(error.code, 0);
}

}  // namespace

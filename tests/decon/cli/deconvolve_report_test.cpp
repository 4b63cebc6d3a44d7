// quorvane-cli deconvolve's reports: --verbose, --json, --keep-iterations.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "image/image.h"
#include "platform/archive.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path = fs::temp_directory_path() /
                    ("qv_decon_report_" + std::to_string(getpid()) + "_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Folder() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

void WriteField(const std::string& path, bool fits = false) {
    CImage image;
    if (fits) image.fileType = kFileFits;
    image.Width = 160;
    image.Height = 120;
    image.pixels.assign(size_t(160) * 120, 800);
    const double stars[3][2] = {{40, 40}, {110, 60}, {80, 90}};
    for (const auto& s : stars)
        for (int y = int(s[1]) - 8; y <= int(s[1]) + 8; ++y)
            for (int x = int(s[0]) - 8; x <= int(s[0]) + 8; ++x) {
                const double r2 = (x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1]);
                image.pixels[size_t(y) * 160 + x] += uint16_t(15000 * std::exp(-r2 / 5.0));
            }
    CArchive archive(path, CArchive::store);
    image.Serialize(archive);
    archive.Commit();
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the command with stdout and stderr into files; returns the exit code.
int RunCommand(const Folder& folder, const std::string& args) {
    const std::string command = std::string(QV_CLI_PATH) + " deconvolve " + args + " >" + folder.File("stdout") +
                                " 2>" + folder.File("stderr");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

// The reports add to a run without changing its output or its usual lines;
// each kept iteration is what a run of that many iterations writes.
TEST(DeconvolveReport, ReportsAddToTheRunAndKeptIterationsEqualShorterRuns) {
    Folder folder;
    const std::string in = folder.File("in.qv4"), stars = " --star 40,40 --star 111,59 --star 3,3";
    WriteField(in);
    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("plain.qv4") + stars + " --iterations 2"), 0);
    const std::string plainErr = Read(folder.File("stderr"));
    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("one.qv4") + stars + " --iterations 1"), 0);

    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("out.qv4") + stars +
                              " --iterations 2 --json --keep-iterations " + folder.File("kept")),
              0)
        << Read(folder.File("stderr"));
    EXPECT_EQ(Read(folder.File("stderr")), plainErr);
    EXPECT_EQ(Read(folder.File("out.qv4")), Read(folder.File("plain.qv4")));
    EXPECT_EQ(Read(folder.File("kept/out-iteration-2.qv4")), Read(folder.File("plain.qv4")));
    EXPECT_EQ(Read(folder.File("kept/out-iteration-1.qv4")), Read(folder.File("one.qv4")));
    EXPECT_FALSE(fs::exists(folder.File("kept/out-iteration-3.qv4")));

    const std::string json = Read(folder.File("stdout"));
    const size_t steps = json.find("\"stepChange\": ["), kept = json.find("]", steps);
    ASSERT_NE(steps, std::string::npos) << json;
    EXPECT_EQ(Count(json.substr(steps, kept - steps), ","), 29u) << json;  // 30 numbers
    EXPECT_NE(json.find("{\"x\": 3, \"y\": 3, \"check\": \"nearEdge\", \"used\": false}"), std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"x\": 40, \"y\": 40, \"check\": \"ok\", \"used\": true}"), std::string::npos) << json;

    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("v.qv4") + stars + " --iterations 1 --verbose"), 0);
    const std::string verbose = Read(folder.File("stderr"));
    EXPECT_EQ(Count(verbose, "changed the image by"), 15u) << verbose;
    EXPECT_NE(verbose.find("Step 15 of 15 changed the image by 0."), std::string::npos) << verbose;
    EXPECT_EQ(Read(folder.File("stdout")), "");
}

// On FITS too, each kept iteration equals the shorter run, and the output
// carries one HISTORY card for its one run (kept files once added theirs).
TEST(DeconvolveReport, KeptFitsIterationsLeaveTheOutputsHistoryAlone) {
    Folder folder;
    const std::string in = folder.File("in.fits"), stars = " --star 40,40 --star 111,59";
    WriteField(in, true);
    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("one.fits") + stars + " --iterations 1"), 0);
    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("plain.fits") + stars + " --iterations 3"), 0);
    ASSERT_EQ(RunCommand(folder, in + " " + folder.File("out.fits") + stars + " --iterations 3 --keep-iterations " +
                              folder.File("kept")),
              0)
        << Read(folder.File("stderr"));
    const std::string out = Read(folder.File("out.fits"));
    EXPECT_EQ(Count(out, "HISTORY KESL Quorvane Deconvolve"), 1u);
    EXPECT_EQ(out, Read(folder.File("plain.fits")));
    EXPECT_EQ(Read(folder.File("kept/out-iteration-1.fits")), Read(folder.File("one.fits")));
    EXPECT_EQ(Read(folder.File("kept/out-iteration-3.fits")), Read(folder.File("plain.fits")));
}

// A folder that cannot be made stops the command before the run; nothing is written.
TEST(DeconvolveReport, UnusableKeepFolderWritesNothing) {
    Folder folder;
    const std::string in = folder.File("in.qv4");
    WriteField(in);
    std::ofstream(folder.File("afile")) << "x";
    EXPECT_EQ(RunCommand(folder, in + " " + folder.File("out.qv4") + " --star 40,40 --keep-iterations " +
                              folder.File("afile")),
              1);
    EXPECT_NE(Read(folder.File("stderr")).find("afile"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.File("out.qv4")));
}

#include <gtest/gtest.h>

#include "tests/display/cli_run.h"
#include "tests/measure/star_field.h"

using namespace clitest;

namespace {

void WriteField(const std::string& path, const FieldSpec& field) {
    CImage image;
    image.Width = field.width;
    image.Height = field.height;
    image.pixels = MakeStarField(field, GridStars(3000.0));
    SaveNative(image, path);
}

}  // namespace

// quality reports the figures as JSON or text, and refuses mismatched or missing files.
TEST(CliQuality, ReportsAndRefuses) {
    TempFolder dir;
    WriteField(dir.File("a.qv4"), {.fwhm = 3.0});
    WriteField(dir.File("b.qv4"), {.fwhm = 2.5, .seed = 3});
    WriteField(dir.File("small.qv4"), {.width = 100});
    const std::string a = Quote(dir.File("a.qv4")), b = Quote(dir.File("b.qv4"));
    CliResult r = RunCli("quality " + a + " " + b + " --json");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"starsFound\": 16, \"starsLost\": 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"fwhmGain\": 1.2"), std::string::npos) << r.out;
    r = RunCli("quality " + a + " " + b + " --area 20,20,170,170");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("stars        9 found, 0 lost"), std::string::npos) << r.out;
    EXPECT_EQ(RunCli("quality --help").exitCode, 0);
    EXPECT_EQ(RunCli("quality " + a + " " + Quote(dir.File("small.qv4"))).exitCode, 1);
    EXPECT_EQ(RunCli("quality " + a + " " + Quote(dir.File("none.qv4"))).exitCode, 1);
    EXPECT_EQ(RunCli("quality " + a + " " + b + " --area 5,5,4,9").exitCode, 2);
}

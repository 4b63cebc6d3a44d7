#include <gtest/gtest.h>

#include "tests/display/cli_run.h"

using namespace clitest;

namespace {

// A 40 x 30 field of 100 with a 3 x 3 star (peak 4000) centred on (20, 12).
void WriteStarImage(const std::string& path) {
    CImage image;
    image.Width = 40;
    image.Height = 30;
    image.pixels.assign(1200, 100);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) image.pixels[size_t((12 + dy) * 40 + 20 + dx)] = dx || dy ? 2000 : 4000;
    image.Focal_length = 20.0;
    image.X_pixel_size = image.Y_pixel_size = 0.009;
    SaveNative(image, path);
}

size_t CountOf(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

}  // namespace

// measure prints the readouts at the pixel, with the position clamped into the image.
TEST(CliMeasure, ReadoutsAsJson) {
    TempFolder dir;
    WriteStarImage(dir.File("star.qv4"));
    const std::string in = Quote(dir.File("star.qv4"));
    CliResult r = RunCli("measure " + in + " 20 12 --box 3");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"x\": 20, \"y\": 12, \"value\": 4000, \"average\": 2222"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"seeingX\""), std::string::npos);

    r = RunCli("measure " + in + " -- 500 -7");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"x\": 39, \"y\": 0, \"value\": 100, \"average\": 100, \"noise\": 0,"), std::string::npos)
        << r.out;
    EXPECT_EQ(RunCli("measure " + in + " 1 1 --box 4").exitCode, 2);
    EXPECT_EQ(RunCli("measure " + in + " 1 x").exitCode, 2);
}

// profile prints centroid, background, extent and one sample per box pixel.
TEST(CliProfile, SamplesAsJson) {
    TempFolder dir;
    WriteStarImage(dir.File("star.qv4"));
    const CliResult r = RunCli("profile " + Quote(dir.File("star.qv4")) + " 15 8");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("{\"centroidX\": 20, \"centroidY\": 12, \"background\": ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\"distanceUnit\": \"arcsec\""), std::string::npos);
    EXPECT_EQ(CountOf(r.out, "], ["), 120u) << "121 samples at the default box of 11";
    EXPECT_NE(r.out.find("[0, 4000]"), std::string::npos);
    EXPECT_EQ(RunCli("profile " + Quote(dir.File("star.qv4")) + " 39 29 --box 31").exitCode, 0);
}

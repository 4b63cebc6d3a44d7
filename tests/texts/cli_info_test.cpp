#include <gtest/gtest.h>

#include "tests/display/cli_run.h"

using namespace clitest;

// info prints the parameters report titled with the file's name.
TEST(CliInfo, PrintsParametersReport) {
    TempFolder dir;
    CImage image;
    image.Width = 4;
    image.Height = 3;
    image.pixels.assign(12, 7);
    image.Observer = "Night Owl";
    SaveNative(image, dir.File("owl.qv4"));
    const CliResult r = RunCli("info " + Quote(dir.File("owl.qv4")));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Image Parameters\n  Image Name:         owl.qv4 (Compressed)\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\n  Observer:           Night Owl\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n  Image Size:         4 Pixels Wide x 3 Pixels High\n"), std::string::npos);
}

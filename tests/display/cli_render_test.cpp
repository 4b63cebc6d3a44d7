#include <gtest/gtest.h>

#include <png.h>

#include <fstream>
#include <vector>

#include "tests/display/cli_run.h"

using namespace clitest;

namespace {

struct Png {
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = -1;
    std::vector<uint8_t> pixels;
};

Png ReadPng(const std::string& path) {
    Png out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    out.colourType = (image.format & PNG_FORMAT_FLAG_COLOR) ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
    image.format = PNG_FORMAT_GRAY;
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return Png{};
    out.width = image.width;
    out.height = image.height;
    return out;
}

// 8 x 4 image at 1000 with one bright pixel at (2, 1); back 900, range 200.
void WriteSmallImage(const std::string& path) {
    CImage image;
    image.Width = 8;
    image.Height = 4;
    image.pixels.assign(32, 1000);
    image.pixels[1 * 8 + 2] = 5000;
    image.display.back = 900;
    image.display.range = 200;
    SaveNative(image, path);
}

}  // namespace

// Without options the image's own back and range give the grey levels at 1:1.
TEST(CliRender, OwnSettingsAtOneToOne) {
    TempFolder dir;
    WriteSmallImage(dir.File("in.qv4"));
    const CliResult r = RunCli("render " + Quote(dir.File("in.qv4")) + " " + Quote(dir.File("out.png")));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const Png png = ReadPng(dir.File("out.png"));
    ASSERT_EQ(png.width, 8u);
    ASSERT_EQ(png.height, 4u);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_GRAY);
    // 1000 is half a range above back 900: index 64, grey 128.
    EXPECT_EQ(png.pixels[0], 128);
    EXPECT_EQ(png.pixels[1 * 8 + 2], 255);
}

// Options override the settings: inversion, zoom and explicit levels.
TEST(CliRender, OptionsOverrideSettings) {
    TempFolder dir;
    WriteSmallImage(dir.File("in.qv4"));
    const std::string in = Quote(dir.File("in.qv4"));
    ASSERT_EQ(RunCli("render " + in + " " + Quote(dir.File("z.png")) + " --zoom 3 --invert").exitCode, 0);
    Png png = ReadPng(dir.File("z.png"));
    ASSERT_EQ(png.width, 16u);
    ASSERT_EQ(png.height, 8u);
    EXPECT_EQ(png.pixels[2 * 16 + 4], 0) << "bright pixel inverted";
    EXPECT_EQ(png.pixels[0], 127);

    ASSERT_EQ(RunCli("render " + in + " " + Quote(dir.File("b.png")) + " --back 1000 --range 1000").exitCode, 0);
    png = ReadPng(dir.File("b.png"));
    EXPECT_EQ(png.pixels[0], 0) << "1000 is back: index 32, black";
}

// --auto chooses back and range from the histogram.
TEST(CliRender, AutomaticLevels) {
    TempFolder dir;
    WriteSmallImage(dir.File("in.qv4"));
    const CliResult r = RunCli("render " + Quote(dir.File("in.qv4")) + " " + Quote(dir.File("a.png")) + " --auto");
    ASSERT_EQ(r.exitCode, 0);
    // 31 of 32 pixels are 1000, so p20 = 992 and only the bright pixel passes 99 %:
    // p99 = 4992, range 4400, back 992 - 440.
    EXPECT_NE(r.out.find("back 552, range 4400"), std::string::npos) << r.out;
}

// Bad options are usage errors and no output file appears.
TEST(CliRender, RefusesBadOptions) {
    TempFolder dir;
    WriteSmallImage(dir.File("in.qv4"));
    const std::string head = "render " + Quote(dir.File("in.qv4")) + " " + Quote(dir.File("x.png"));
    EXPECT_EQ(RunCli(head + " --zoom 5").exitCode, 2);
    EXPECT_EQ(RunCli(head + " --range 15").exitCode, 2);
    EXPECT_EQ(RunCli(head + " --back 70000").exitCode, 2);
    EXPECT_EQ(RunCli(head + " --auto --back 5").exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
    EXPECT_EQ(RunCli("render " + Quote(dir.File("missing.qv4")) + " " + Quote(dir.File("x.png"))).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
}

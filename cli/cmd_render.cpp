// quorvane-cli render IN OUT.png [--back B] [--range R] [--auto] [--smooth]
// [--invert] [--zoom 0..4]: the image as its window shows it, as a grey PNG.

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/display/auto_levels.h"
#include "app/display/display_bitmap.h"
#include "app/display/display_render.h"
#include "app/display/histogram.h"
#include "app/display/zoom.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "image/image.h"

namespace {

constexpr int kGreyBitDepth = 8;

void AppendToBuffer(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void IgnoreFlush(png_structp) {}

// Encodes into memory so that the file is written in one atomic step.
bool EncodeGreyPng(const GreyImage& image, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> rows(size_t(image.height));
    for (int32_t y = 0; y < image.height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(image.pixels.data() + size_t(y) * size_t(image.width));
    // libpng reports errors by longjmp; nothing with a destructor is created below this point.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendToBuffer, IgnoreFlush);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), kGreyBitDepth,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ReadBounded(const ParsedArgs& args, const char* name, int lowest, int highest, int& value,
                 std::string& problem) {
    const auto text = args.Value(name);
    if (!text) return true;
    if (ParseInt(*text, value) && value >= lowest && value <= highest) return true;
    problem = std::string(name) + " must be a whole number from " + std::to_string(lowest) + " to " +
              std::to_string(highest);
    return false;
}

// The image's own settings, overridden by the options given.
bool ApplyOptions(const ParsedArgs& args, DisplaySettings& settings, std::string& problem) {
    const bool explicitLevels = args.Has("--back") || args.Has("--range");
    if (explicitLevels && args.Has("--auto")) {
        problem = "--auto chooses back and range itself; leave out --back and --range";
        return false;
    }
    int back = settings.back, range = settings.range, zoom = settings.zoom;
    if (!ReadBounded(args, "--back", kMinimumBack, kMaximumBack, back, problem) ||
        !ReadBounded(args, "--range", kMinimumRange, kMaximumRange, range, problem) ||
        !ReadBounded(args, "--zoom", 0, kZoomStepCount - 1, zoom, problem))
        return false;
    settings.back = back;
    settings.range = range;
    settings.zoom = zoom;
    if (explicitLevels) settings.autoContrast = 0;
    if (args.Has("--auto")) settings.autoContrast = 1;
    if (args.Has("--smooth")) settings.smooth = 1;
    if (args.Has("--invert")) settings.invert = 1;
    return true;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args,
                            {{"--back", true}, {"--range", true}, {"--auto", false}, {"--smooth", false},
                             {"--invert", false}, {"--zoom", true}},
                            2, 2, problem);
    if (!parsed) return UsageError("render", problem);
    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    if (!ApplyOptions(*parsed, image.display, problem)) return UsageError("render", problem);

    CHistogram histogram;
    DisplayBitmap bitmap;
    BuildDisplayBitmap(image, histogram, bitmap);
    if (!bitmap.IsCreated()) {
        PrintError(parsed->positional[0] + ": the image has no pixels to show");
        return kExitFailed;
    }
    SetColourTable(bitmap, kDefaultWindowLo, kDefaultWindowHi, image.display.invert != 0);
    const GreyImage grey = RenderGrey(bitmap, image.display.zoom);

    std::vector<uint8_t> png;
    if (!EncodeGreyPng(grey, png)) {
        PrintError(parsed->positional[1] + ": the PNG image could not be encoded");
        return kExitFailed;
    }
    if (!WriteFileAtomically(parsed->positional[1], png.data(), png.size())) return kExitFailed;
    // With the picture on standard output, the summary goes to the error stream.
    std::fprintf(parsed->positional[1] == kStandardOutputName ? stderr : stdout, "%s: %d x %d, back %d, range %d\n", parsed->positional[1].c_str(), int(grey.width),
                int(grey.height), int(image.display.back), int(image.display.range));
    return kExitOk;
}

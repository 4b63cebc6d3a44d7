// quorvane-samplegen OUT [options]: writes a synthetic star field as a
// compressed native image, and optionally the list of its stars.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "image/image.h"
#include "tools/samplegen/sample_image.h"
#include "tools/samplegen/star_field.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvane-samplegen OUT [--width W] [--height H] [--seed N] [--stars N] [--no-noise]\n"
    "                          [--stars-csv FILE]\n";

std::string StarsCsv(const StarField& field) {
    std::string csv = "x,y,peak,fwhm,profile\n";
    char line[128];
    for (const SampleStar& star : field.stars) {
        std::snprintf(line, sizeof line, "%.3f,%.3f,%.1f,%.3f,%s\n", star.x, star.y, star.peak, star.fwhm,
                      star.moffat ? "moffat" : "gaussian");
        csv += line;
    }
    return csv;
}

bool ReadIntOption(const ParsedArgs& parsed, const char* name, int minimum, int& value) {
    auto text = parsed.Value(name);
    if (!text) return true;
    if (ParseInt(*text, value) && value >= minimum) return true;
    std::fprintf(stderr, "quorvane-samplegen: %s needs a whole number of at least %d\n%s", name, minimum, kUsage);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string problem;
    auto parsed = ParseArgs(args,
                            {{"--width", true}, {"--height", true}, {"--seed", true}, {"--stars", true},
                             {"--no-noise", false}, {"--stars-csv", true}},
                            1, 1, problem);
    if (!parsed) {
        std::fprintf(stderr, "quorvane-samplegen: %s\n%s", problem.c_str(), kUsage);
        return kExitUsage;
    }
    StarFieldOptions options;
    int seed = int(options.seed);
    if (!ReadIntOption(*parsed, "--width", 1, options.width) || !ReadIntOption(*parsed, "--height", 1, options.height) ||
        !ReadIntOption(*parsed, "--seed", 0, seed) || !ReadIntOption(*parsed, "--stars", 0, options.starCount))
        return kExitUsage;
    options.seed = uint64_t(seed);
    options.noise = !parsed->Has("--no-noise");

    try {
        StarField field = GenerateStarField(options);
        CImage image;
        SetSampleHeader(image);
        StarFieldToImage(field, image);
        if (!SaveImageFile(parsed->positional[0], image)) return kExitFailed;
        if (auto csvPath = parsed->Value("--stars-csv"); csvPath && !WriteFileAtomically(*csvPath, StarsCsv(field)))
            return kExitFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvane-samplegen: %s\n", error.what());
        return kExitFailed;
    }
    return kExitOk;
}

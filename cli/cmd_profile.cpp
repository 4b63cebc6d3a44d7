// quorvane-cli profile IN X Y [--box N]: the stellar profile of the star
// found from a pixel rightward and downward, as JSON.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/measure_args.h"
#include "image/image.h"
#include "measure/crosshair.h"
#include "measure/profile.h"

namespace {

constexpr int kDefaultProfileBox = 11;

std::string ProfileJson(const ProfileResult& p) {
    std::string json = "{\"centroidX\": " + JsonNumber(p.request.centroidColumn) +
                       ", \"centroidY\": " + JsonNumber(p.request.centroidRow) +
                       ", \"background\": " + std::to_string(p.request.background) +
                       ", \"extent\": " + JsonNumber(p.extent) + ", \"distanceUnit\": " +
                       JsonString(p.distancesInPixels ? "pixel" : "arcsec") + ", \"samples\": [";
    for (size_t i = 0; i < p.samples.size(); ++i) {
        if (i) json += ", ";
        json += "[" + JsonNumber(p.samples[i].distance) + ", " + std::to_string(p.samples[i].value) + "]";
    }
    return json + "]}\n";
}

}  // namespace

int RunProfile(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {{"--box", true}}, 3, 3, problem);
    int x = 0, y = 0, box = 0;
    if (!parsed || !ParsePointAndBox(*parsed, kDefaultProfileBox, x, y, box, problem))
        return UsageError("profile", problem);
    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    if (!HasMeasurablePixels(image)) {
        PrintError(parsed->positional[0] + ": the image has no pixels to measure");
        return kExitFailed;
    }
    // The search starts where a click would: the position clamped into the image.
    const PixelPoint corner = ClampToImage(image, x, y);
    const std::string json = ProfileJson(MeasureProfile(image, corner.x, corner.y, box));
    std::fwrite(json.data(), 1, json.size(), stdout);
    return kExitOk;
}

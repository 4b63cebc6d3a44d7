// quorvane-cli measure IN X Y [--box N]: the crosshair readouts at a pixel, as JSON.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/measure_args.h"
#include "image/image.h"
#include "measure/crosshair.h"

namespace {

std::string MeasureJson(const CrosshairReadout& r) {
    return "{\"x\": " + std::to_string(r.position.x) + ", \"y\": " + std::to_string(r.position.y) +
           ", \"value\": " + std::to_string(r.value) + ", \"average\": " + std::to_string(r.average) +
           ", \"noise\": " + JsonNumber(r.noise) + ", \"seeingX\": " + JsonNumber(r.seeingX) +
           ", \"seeingY\": " + JsonNumber(r.seeingY) + "}\n";
}

}  // namespace

int RunMeasure(const std::vector<std::string>& args) {
    std::string problem;
    auto parsed = ParseArgs(args, {{"--box", true}}, 3, 3, problem);
    int x = 0, y = 0, box = 0;
    if (!parsed || !ParsePointAndBox(*parsed, kDefaultBoxSize, x, y, box, problem))
        return UsageError("measure", problem);
    CImage image;
    if (!LoadImageFile(parsed->positional[0], image)) return kExitFailed;
    if (!HasMeasurablePixels(image)) {
        PrintError(parsed->positional[0] + ": the image has no pixels to measure");
        return kExitFailed;
    }
    const std::string json = MeasureJson(MeasureAtCursor(image, x, y, box));
    std::fwrite(json.data(), 1, json.size(), stdout);
    return kExitOk;
}

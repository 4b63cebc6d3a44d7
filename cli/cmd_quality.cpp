// quorvane-cli quality BEFORE AFTER [--area LEFT,TOP,RIGHT,BOTTOM] [--json]:
// how a sharpening run changed an image, measured from the two files alone.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "decon/run_selection.h"
#include "image/image.h"
#include "measure/quality.h"

namespace {

constexpr const char* kQualityHelp =
    "usage: quorvane-cli quality BEFORE AFTER [--area LEFT,TOP,RIGHT,BOTTOM] [--json]\n"
    "\n"
    "Compares an image before and after a sharpening run over an area (RIGHT and\n"
    "BOTTOM exclusive; pulled in to 10 pixels from every edge as deconvolve does;\n"
    "without --area the whole image so pulled in). The two images must have the\n"
    "same size. Sigma below is the sky noise of BEFORE.\n"
    "\n"
    "stars       found in BEFORE only: a pixel brighter than all others within 3\n"
    "            pixels, at least 20 noise sigmas above the median of the ring\n"
    "            9..13 px round it (noise from differences of neighbours), below\n"
    "            85% of the area's brightest pixel, with no other peak of 5 sigma\n"
    "            within 12 px, and 20 px inside the area.\n"
    "FWHM        a circular Gaussian fitted by least squares (sky fixed at the\n"
    "            ring's median) within 1.5 FWHM of the centre (3..10 px); the same\n"
    "            stars and windows in AFTER. Medians over the stars fitted in both;\n"
    "            gain = before / after. A star is lost when AFTER gives no fit.\n"
    "sky noise   16 x 16 boxes at least 16 px inside the area whose 3 x 3 means\n"
    "            all stay below the box median + 1.5 box sigmas in BEFORE; each\n"
    "            box's sigma is 1.4826 x its median absolute deviation; medians\n"
    "            over the boxes; ratio = after / before.\n"
    "dark rings  for the brightest third of the stars: the mean of each one-pixel\n"
    "            ring from 1 px to 2 FWHM + 2 px, less the median of the ring\n"
    "            2 FWHM + 4 .. 2 FWHM + 10 px, in sigma; the darkest ring per star,\n"
    "            the median over the stars.\n"
    "flux        within 2 FWHM (at least 3 px) of each star, less the median of\n"
    "            the ring 2 .. 6 px beyond; sum over the stars of AFTER over BEFORE.\n"
    "edge step   along each side of the area (corners' 16 px left out), the\n"
    "            median of AFTER - BEFORE on each line from 4 px outside to 16 px\n"
    "            inside; the largest change between neighbouring lines, in sigma.\n"
    "outside     the number of pixels outside the area that differ.\n";

bool ParseArea(const std::string& text, DeconRect& rect) {
    std::vector<int> v;
    size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const size_t comma = text.find(',', start);
        if ((k == 3) != (comma == std::string::npos)) return false;
        int value = 0;
        if (!ParseInt(text.substr(start, k == 3 ? std::string::npos : comma - start), value)) return false;
        v.push_back(value);
        start = comma + 1;
    }
    if (v[2] <= v[0] || v[3] <= v[1]) return false;
    rect = DeconRect{v[1], v[0], v[3], v[2]};
    return true;
}

std::string StarsJson(const QualityReport& r) {
    std::string text = "[";
    for (size_t i = 0; i < r.stars.size(); ++i) {
        const QualityStar& s = r.stars[i];
        text += std::string(i ? ",\n    " : "\n    ") + "{\"x\": " + JsonNumber(s.x) + ", \"y\": " + JsonNumber(s.y) +
                ", \"amplitude\": " + JsonNumber(s.amplitude) + ", \"fwhmBefore\": " + JsonNumber(s.fwhmBefore) +
                ", \"fwhmAfter\": " + JsonNumber(s.fwhmAfter) + ", \"lost\": " + (s.lost ? "true" : "false") +
                ", \"bright\": " + (s.bright ? "true" : "false") + "}";
    }
    return text + (r.stars.empty() ? "]" : "\n  ]");
}

std::string ReportJson(const QualityReport& r) {
    return "{\n  \"starsFound\": " + std::to_string(r.starsFound) + ", \"starsLost\": " + std::to_string(r.starsLost) +
           ",\n  \"fwhmBefore\": " + JsonNumber(r.fwhmBefore) + ", \"fwhmAfter\": " + JsonNumber(r.fwhmAfter) +
           ", \"fwhmGain\": " + JsonNumber(r.fwhmGain) + ",\n  \"skyBoxes\": " + std::to_string(r.skyBoxes) +
           ", \"skyNoiseBefore\": " + JsonNumber(r.skyNoiseBefore) + ", \"skyNoiseAfter\": " +
           JsonNumber(r.skyNoiseAfter) + ", \"skyNoiseRatio\": " + JsonNumber(r.skyNoiseRatio) +
           ",\n  \"brightStars\": " + std::to_string(r.brightStars) + ", \"darkestRingBefore\": " +
           JsonNumber(r.darkestRingBefore) + ", \"darkestRingAfter\": " + JsonNumber(r.darkestRingAfter) +
           ",\n  \"fluxRatio\": " + JsonNumber(r.fluxRatio) + ", \"edgeStep\": " + JsonNumber(r.edgeStep) +
           ", \"changedOutside\": " + std::to_string(r.changedOutside) + ",\n  \"stars\": " + StarsJson(r) + "\n}\n";
}

void PrintReport(const QualityReport& r) {
    std::printf("stars        %d found, %d lost\n", r.starsFound, r.starsLost);
    std::printf("FWHM         %.2f -> %.2f px (gain %.2f)\n", r.fwhmBefore, r.fwhmAfter, r.fwhmGain);
    std::printf("sky noise    %.2f -> %.2f (ratio %.2f, %d boxes)\n", r.skyNoiseBefore, r.skyNoiseAfter,
                r.skyNoiseRatio, r.skyBoxes);
    std::printf("dark rings   %.2f -> %.2f sigma (%d bright stars)\n", r.darkestRingBefore, r.darkestRingAfter,
                r.brightStars);
    std::printf("flux ratio   %.3f\n", r.fluxRatio);
    std::printf("edge step    %.2f sigma\n", r.edgeStep);
    std::printf("outside      %lld pixels changed\n", static_cast<long long>(r.changedOutside));
}

}  // namespace

int RunQuality(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kQualityHelp, stdout);
        return kExitOk;
    }
    std::string problem;
    auto parsed = ParseArgs(args, {{"--area", true}, {"--json", false}}, 2, 2, problem);
    if (!parsed) return UsageError("quality", problem);
    DeconRect area;
    const auto areaText = parsed->Value("--area");
    if (areaText && !ParseArea(*areaText, area))
        return UsageError("quality", "--area takes LEFT,TOP,RIGHT,BOTTOM with RIGHT > LEFT and BOTTOM > TOP");
    CImage before, after;
    if (!LoadImageFile(parsed->positional[0], before) || !LoadImageFile(parsed->positional[1], after))
        return kExitFailed;
    if (before.Width != after.Width || before.Height != after.Height || before.pixels.empty()) {
        PrintError(parsed->positional[0] + " and " + parsed->positional[1] + " differ in size");
        return kExitFailed;
    }
    const DeconRect run = RunSelection(areaText ? &area : nullptr, before.Width, before.Height);
    const PixelGrid b{before.pixels.data(), before.Width, before.Height};
    const PixelGrid a{after.pixels.data(), after.Width, after.Height};
    const QualityReport report = MeasureQuality(b, a, GridRect{run.left, run.top, run.right, run.bottom});
    if (parsed->Has("--json")) {
        const std::string json = ReportJson(report);
        std::fwrite(json.data(), 1, json.size(), stdout);
    } else {
        PrintReport(report);
    }
    return kExitOk;
}

// Checking a pick with the engine's own PSF measurement. The engine looks
// at most 17 pixels before and 16 after a pick (the 20 x 20 search window
// and the 15 x 15 box around its brightest pixel), so a small engine over
// that window, cut where the image ends, decides exactly as a run over the
// whole image would: the same pixels, the same edges, the same blend.

#include "decon/star_check.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "decon/decon_engine.h"

namespace {

constexpr int64_t kReachBefore = 17;  // search window start (10) + box half (7)
constexpr int64_t kReachAfter = 17;   // search window end (exclusive, 10) + box half
constexpr int kSearchBefore = 10;
constexpr int kSearchSize = 20;
constexpr int kBoxHalf = 7;
constexpr int kCornerOffset = 4;      // sky corners, four pixels in from the box edge
constexpr double kMadToSigma = 1.4826;
constexpr double kNoiseFloor = 1.0;   // one count: the quantisation of the pixels
constexpr double kSigmaToFwhm = 2.3548200450309493;

struct Window {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return int32_t(right - left); }
    int32_t Height() const { return int32_t(bottom - top); }
};

Window WindowAround(int32_t width, int32_t height, int32_t column, int32_t row) {
    return {std::max<int64_t>(int64_t(column) - kReachBefore, 0), std::max<int64_t>(int64_t(row) - kReachBefore, 0),
            std::min<int64_t>(int64_t(column) + kReachAfter, width),
            std::min<int64_t>(int64_t(row) + kReachAfter, height)};
}

StarCheck FromOutcome(StarOutcome outcome) {
    switch (outcome) {
        case StarOutcome::used: return StarCheck::ok;
        case StarOutcome::outsideImage: return StarCheck::outsideImage;
        case StarOutcome::nearEdge: return StarCheck::nearEdge;
        case StarOutcome::noSignal: break;
    }
    return StarCheck::noSignal;
}

// The engine's brightest pixel: columns outer, rows inner, first wins.
void FindPeak(const std::vector<uint16_t>& crop, int32_t w, int32_t h, int32_t x, int32_t y, StarCheckResult& r) {
    const int32_t c0 = std::max(x - kSearchBefore, 0), c1 = std::min(x - kSearchBefore + kSearchSize, w);
    const int32_t r0 = std::max(y - kSearchBefore, 0), r1 = std::min(y - kSearchBefore + kSearchSize, h);
    for (int32_t c = c0; c < c1; ++c)
        for (int32_t rr = r0; rr < r1; ++rr)
            if (r.peak < crop[size_t(rr) * w + c]) {
                r.peak = crop[size_t(rr) * w + c];
                r.peakColumn = c;
                r.peakRow = rr;
            }
}

// Sky level as the engine takes it, and a robust noise from the box border.
void MeasureSky(const std::vector<uint16_t>& crop, int32_t w, int32_t px, int32_t py, StarCheckResult& r) {
    auto at = [&](int32_t dx, int32_t dy) { return int(crop[size_t(py + dy) * w + (px + dx)]); };
    const int near = kCornerOffset - kBoxHalf, far = kBoxHalf - kCornerOffset;
    r.sky = DeconEngine::MedianOfThree(at(near, near), at(far, far), at(far, near));
    std::vector<int> border;
    for (int d = -kBoxHalf; d <= kBoxHalf; ++d) {
        border.insert(border.end(), {at(d, -kBoxHalf), at(d, kBoxHalf)});
        if (d != -kBoxHalf && d != kBoxHalf) border.insert(border.end(), {at(-kBoxHalf, d), at(kBoxHalf, d)});
    }
    auto middle = border.begin() + border.size() / 2;
    std::nth_element(border.begin(), middle, border.end());
    const int median = *middle;
    for (int& v : border) v = std::abs(v - median);
    std::nth_element(border.begin(), middle, border.end());
    r.noise = kMadToSigma * *middle;
    r.signalToNoise = (r.peak - r.sky) / std::max(r.noise, kNoiseFloor);
}

// Checks one pick and, when the engine uses it, blends it into psf.
StarCheckResult CheckInto(const uint16_t* pixels, int32_t width, int32_t height, int32_t column, int32_t row,
                          const StarCheckLimits& limits, float (&psf)[kPsfSize][kPsfSize], float& starCount) {
    StarCheckResult result;
    if (pixels == nullptr || width < 1 || height < 1) return result;
    const Window win = WindowAround(width, height, column, row);
    if (win.right <= win.left || win.bottom <= win.top) return result;
    const int32_t w = win.Width(), h = win.Height();
    std::vector<uint16_t> crop(size_t(w) * size_t(h));
    for (int32_t r = 0; r < h; ++r)
        std::memcpy(&crop[size_t(r) * w], pixels + size_t(win.top + r) * size_t(width) + size_t(win.left),
                    size_t(w) * sizeof(uint16_t));
    DeconEngine engine;
    if (!engine.Init(w, h, {.threads = 1})) {
        result.check = StarCheck::noSignal;
        return result;
    }
    engine.SetImage(crop.data());
    std::memcpy(engine.psf, psf, sizeof psf);
    engine.starCount = starCount;
    const int32_t x = int32_t(column - win.left), y = int32_t(row - win.top);
    result.check = FromOutcome(engine.AddStar(x, y));
    FindPeak(crop, w, h, x, y, result);
    if (result.check == StarCheck::ok) {
        std::memcpy(psf, engine.psf, sizeof psf);
        starCount = engine.starCount;
        MeasureSky(crop, w, result.peakColumn, result.peakRow, result);
        const uint32_t saturation = limits.saturationLevel ? limits.saturationLevel : 65535;
        if (uint32_t(result.peak) >= saturation)
            result.check = StarCheck::saturated;
        else if (result.signalToNoise < limits.minSignalToNoise)
            result.check = StarCheck::blankSky;
    }
    if (result.peakColumn >= 0) {
        result.peakColumn += int32_t(win.left);
        result.peakRow += int32_t(win.top);
    }
    return result;
}

}  // namespace

const char* StarCheckText(StarCheck check) {
    switch (check) {
        case StarCheck::ok: return "";
        case StarCheck::outsideImage: return "the pick lies outside the image; the run will skip it.";
        case StarCheck::nearEdge: return "the star is too close to the image edge; the run will skip it.";
        case StarCheck::noSignal: return "no light above the background; the run will skip it.";
        case StarCheck::saturated: return "the star is saturated; its flat top widens the PSF.";
        case StarCheck::blankSky: return "no star here, only sky noise; it blurs the PSF.";
    }
    return "";
}

const char* StarCheckName(StarCheck check) {
    switch (check) {
        case StarCheck::ok: return "ok";
        case StarCheck::outsideImage: return "outsideImage";
        case StarCheck::nearEdge: return "nearEdge";
        case StarCheck::noSignal: return "noSignal";
        case StarCheck::saturated: return "saturated";
        case StarCheck::blankSky: return "blankSky";
    }
    return "";
}

StarCheckResult CheckStar(const uint16_t* pixels, int32_t width, int32_t height, int32_t column, int32_t row,
                          const StarCheckLimits& limits) {
    float psf[kPsfSize][kPsfSize] = {};
    float starCount = 1.0f;
    return CheckInto(pixels, width, height, column, row, limits, psf, starCount);
}

PsfPreview PreviewPsf(const uint16_t* pixels, int32_t width, int32_t height, const std::vector<StarPick>& picks,
                      const StarCheckLimits& limits) {
    PsfPreview preview;
    float starCount = 1.0f;
    for (const StarPick& pick : picks) {
        const StarCheck check =
            CheckInto(pixels, width, height, pick.column, pick.row, limits, preview.psf, starCount).check;
        preview.checks.push_back(check);
        if (UsedByEngine(check)) ++preview.starsUsed;
    }
    PsfShape(preview.psf, preview.fwhmX, preview.fwhmY, preview.ellipticity);
    return preview;
}

void PsfShape(const float (&psf)[kPsfSize][kPsfSize], double& fwhmX, double& fwhmY, double& ellipticity) {
    fwhmX = fwhmY = ellipticity = 0.0;
    double s = 0, sx = 0, sy = 0;
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) {
            s += psf[i][j];
            sx += j * double(psf[i][j]);
            sy += i * double(psf[i][j]);
        }
    if (!(s > 0.0)) return;
    const double cx = sx / s, cy = sy / s;
    double xx = 0, yy = 0, xy = 0;
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) {
            xx += psf[i][j] * (j - cx) * (j - cx);
            yy += psf[i][j] * (i - cy) * (i - cy);
            xy += psf[i][j] * (j - cx) * (i - cy);
        }
    xx /= s, yy /= s, xy /= s;
    fwhmX = kSigmaToFwhm * std::sqrt(xx);
    fwhmY = kSigmaToFwhm * std::sqrt(yy);
    const double mean = (xx + yy) / 2, spread = std::sqrt((xx - yy) * (xx - yy) / 4 + xy * xy);
    const double major = mean + spread, minor = std::max(mean - spread, 0.0);
    ellipticity = major > 0 ? 1.0 - std::sqrt(minor / major) : 0.0;
}

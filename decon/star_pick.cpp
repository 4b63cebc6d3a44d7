// Candidates are local maxima standing well above the sky around them, in
// units of the image's pixel-to-pixel noise; the brightest are then judged one by one, first by the engine's
// own check (which also measures the local sky and noise), then by the
// rules a good PSF sample needs beyond it.

#include "decon/star_pick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kMadToSigma = 1.4826;
constexpr double kCandidateSigmas = 5.0;  // a candidate peak stands this far above the sky
constexpr int32_t kLocalMaxRadius = 3;    // brighter than everything within 3 pixels
constexpr size_t kSkySamples = 200000;
constexpr int32_t kSkyRing = 6;
constexpr size_t kMostCandidates = 4000;
constexpr double kNearSaturation = 0.85;  // of the saturation level or the brightest pixel: no longer linear
constexpr double kHotPixelShare = 0.25;   // neighbours below this share of the peak: not a star
constexpr double kNeighbourShare = 0.02;  // a neighbour above this share of the peak spoils the box

struct Candidate {
    int32_t x = 0;
    int32_t y = 0;
    int value = 0;
};

struct SkyLevel {
    double median = 0.0;
    double sigma = 1.0;
};

// The pixel-to-pixel noise: differences of horizontal neighbours are free of
// the sky's gradients (a nebula, vignetting), unlike the spread of the values.
SkyLevel GlobalSky(const uint16_t* pixels, size_t count) {
    const size_t step = std::max<size_t>(1, count / kSkySamples);
    std::vector<int> samples, differences;
    samples.reserve(count / step + 1);
    differences.reserve(count / step + 1);
    for (size_t i = 0; i + 1 < count; i += step) {
        samples.push_back(pixels[i]);
        differences.push_back(std::abs(int(pixels[i + 1]) - int(pixels[i])));
    }
    SkyLevel sky;
    if (samples.empty()) return sky;
    auto middle = samples.begin() + samples.size() / 2;
    std::nth_element(samples.begin(), middle, samples.end());
    sky.median = *middle;
    auto dmiddle = differences.begin() + differences.size() / 2;
    std::nth_element(differences.begin(), dmiddle, differences.end());
    sky.sigma = std::max(1.0, kMadToSigma * *dmiddle / std::sqrt(2.0));
    return sky;
}

// The sky under a peak: the median of eight pixels six steps away.
double LocalSky(const uint16_t* p, int32_t w, int32_t h, int32_t x, int32_t y) {
    int ring[8];
    int n = 0;
    for (int32_t dy : {-kSkyRing, 0, kSkyRing})
        for (int32_t dx : {-kSkyRing, 0, kSkyRing}) {
            if (dx == 0 && dy == 0) continue;
            const int32_t xx = std::clamp(x + dx, 0, w - 1), yy = std::clamp(y + dy, 0, h - 1);
            ring[n++] = p[size_t(yy) * w + xx];
        }
    std::nth_element(ring, ring + 4, ring + 8);
    return ring[4];
}

// Strictly brighter than every pixel within the radius (earlier pixels win ties).
bool IsLocalMax(const uint16_t* p, int32_t w, int32_t h, int32_t x, int32_t y) {
    const int v = p[size_t(y) * w + x];
    for (int32_t dy = -kLocalMaxRadius; dy <= kLocalMaxRadius; ++dy) {
        const int32_t yy = y + dy;
        if (yy < 0 || yy >= h) continue;
        for (int32_t dx = -kLocalMaxRadius; dx <= kLocalMaxRadius; ++dx) {
            const int32_t xx = x + dx;
            if (xx < 0 || xx >= w || (dx == 0 && dy == 0)) continue;
            const int other = p[size_t(yy) * w + xx];
            if (other > v || (other == v && (dy < 0 || (dy == 0 && dx < 0)))) return false;
        }
    }
    return true;
}

std::vector<Candidate> FindCandidates(const uint16_t* p, int32_t w, int32_t h, const SkyLevel& sky) {
    const double height = kCandidateSigmas * sky.sigma;
    std::vector<Candidate> found;
    for (int32_t y = 1; y + 1 < h; ++y) {
        const uint16_t* row = p + size_t(y) * w;
        for (int32_t x = 1; x + 1 < w; ++x) {
            const int v = row[x];
            if (v < row[x - 1] || v < row[x + 1] || v < row[x - w] || v < row[x + w]) continue;
            if (IsLocalMax(p, w, h, x, y) && v - LocalSky(p, w, h, x, y) > height) found.push_back({x, y, v});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.value > b.value; });
    return found;
}

std::string Reason(const Candidate& c, const std::string& why) {
    char head[96];
    std::snprintf(head, sizeof head, "PSF candidate at %d, %d rejected: ", c.x, c.y);
    return head + why + (why.back() == '.' ? "" : ".");
}

// A brighter-than-noise peak close enough to fall in the engine's window.
const Candidate* Neighbour(const std::vector<Candidate>& all, const Candidate& c, double sky) {
    const double floor = kNeighbourShare * (c.value - sky);
    for (const Candidate& other : all) {
        if (&other == &c || other.value - sky < floor) continue;
        if (std::abs(other.x - c.x) <= kAutoStarIsolation && std::abs(other.y - c.y) <= kAutoStarIsolation) return &other;
    }
    return nullptr;
}

// Why c is not a good PSF sample, or "" when it is.
std::string Judge(const uint16_t* p, int32_t w, int32_t h, const Candidate& c, const std::vector<Candidate>& all,
                  uint32_t saturation, uint32_t linearTop) {
    if (c.x < kAutoStarEdge || c.y < kAutoStarEdge || c.x >= w - kAutoStarEdge || c.y >= h - kAutoStarEdge)
        return "it is too close to the image edge";
    StarCheckLimits limits;
    limits.saturationLevel = saturation;
    limits.minSignalToNoise = kAutoStarMinSignalToNoise;
    const StarCheckResult check = CheckStar(p, w, h, c.x, c.y, limits);
    if (check.check == StarCheck::blankSky) {
        char text[96];
        std::snprintf(text, sizeof text, "too faint (%.0f noise sigmas above its sky, %.0f wanted)", check.signalToNoise,
                      kAutoStarMinSignalToNoise);
        return text;
    }
    if (check.check != StarCheck::ok) return StarCheckText(check.check);
    if (check.peakColumn != c.x || check.peakRow != c.y) return "a brighter pixel lies within the engine's search window";
    if (c.value >= kNearSaturation * linearTop) return "its peak is close to saturation";
    auto at = [&](int32_t dx, int32_t dy) { return double(p[size_t(c.y + dy) * w + (c.x + dx)]); };
    const double flat = (at(-1, 0) == c.value) + (at(1, 0) == c.value) + (at(0, -1) == c.value) + (at(0, 1) == c.value);
    if (flat >= 2) return "its top is flat (saturated)";
    const double height = c.value - check.sky;
    const double sides = (at(-1, 0) + at(1, 0) + at(0, -1) + at(0, 1)) / 4.0 - check.sky;
    if (sides < kHotPixelShare * height) return "too sharp for a star (a hot pixel or a cosmic-ray hit)";
    if (const Candidate* other = Neighbour(all, c, check.sky)) {
        char text[96];
        std::snprintf(text, sizeof text, "not isolated (another peak at %d, %d)", other->x, other->y);
        return text;
    }
    return {};
}

}  // namespace

AutoStars PickStars(const uint16_t* pixels, int32_t width, int32_t height, int count, uint32_t saturationLevel) {
    AutoStars result;
    if (pixels == nullptr || width < 3 || height < 3 || count < 1) return result;
    uint32_t saturation = saturationLevel ? saturationLevel : 65535;
    const SkyLevel sky = GlobalSky(pixels, size_t(width) * size_t(height));
    std::vector<Candidate> all = FindCandidates(pixels, width, height, sky);
    result.candidates = int(all.size());
    if (all.size() > kMostCandidates) all.resize(kMostCandidates);
    // Many files state no saturation level; the brightest star then stands for it.
    const uint32_t brightest = all.empty() ? saturation : uint32_t(all.front().value);
    const uint32_t linearTop = std::min(saturation, brightest);
    for (const Candidate& c : all) {
        if (int(result.stars.size()) == count) break;
        const std::string why = Judge(pixels, width, height, c, all, saturation, linearTop);
        if (why.empty())
            result.stars.push_back({c.x, c.y});
        else
            result.rejected.push_back({c.x, c.y, Reason(c, why)});
    }
    return result;
}

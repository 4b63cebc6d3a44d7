// Stars for MeasureQuality: found in BEFORE, fitted in both images.

#include <algorithm>
#include <cmath>
#include <functional>

#include "measure/quality_parts.h"
#include "measure/star_fit.h"

namespace {

// A star is a pixel brighter than every other within this reach...
constexpr int32_t kPeakReach = 3;
// ...this many noise sigmas above its local sky...
constexpr double kStarSignificance = 20.0;
// ...with no other peak of a tenth of this significance this close...
constexpr double kCompanionSignificance = 5.0;
constexpr double kIsolation = 12.0;
// ...without a flat top, and below this share of the clipping level (the
// area's brightest value when several pixels share it) where there is one...
constexpr double kUnsaturated = 0.85;
constexpr int kClippedPixels = 4;
// ...and this far inside the area, so that its fit and rings stay inside.
constexpr int32_t kStarMargin = 20;
// Local sky ring around a peak, and the first fit's window radius.
constexpr double kSkyInner = 9.0, kSkyOuter = 13.0;
constexpr double kFirstFitRadius = 5.0;

struct Peak {
    int32_t x, y;
    double value, sky;
};

bool IsPeak(const PixelGrid& g, int32_t x, int32_t y) {
    const double v = g.At(x, y);
    for (int32_t dy = -kPeakReach; dy <= kPeakReach; ++dy)
        for (int32_t dx = -kPeakReach; dx <= kPeakReach; ++dx) {
            if (!dx && !dy) continue;
            const double n = g.At(x + dx, y + dy);
            // Ties go to the first pixel in reading order.
            if (n > v || (n == v && (dy < 0 || (dy == 0 && dx < 0)))) return false;
        }
    return true;
}

std::vector<Peak> FindPeaks(const PixelGrid& g, GridRect area, double noise) {
    std::vector<Peak> peaks;
    const GridRect inner{area.left + kStarMargin, area.top + kStarMargin, area.right - kStarMargin,
                         area.bottom - kStarMargin};
    for (int32_t y = inner.top; y < inner.bottom; ++y)
        for (int32_t x = inner.left; x < inner.right; ++x) {
            if (!IsPeak(g, x, y)) continue;
            const double sky = RingMedian(g, x, y, kSkyInner, kSkyOuter);
            if (g.At(x, y) - sky > kCompanionSignificance * noise) peaks.push_back({x, y, g.At(x, y), sky});
        }
    return peaks;
}

bool Isolated(const Peak& star, const std::vector<Peak>& peaks) {
    for (const Peak& other : peaks)
        if ((other.x != star.x || other.y != star.y) && std::hypot(other.x - star.x, other.y - star.y) < kIsolation)
            return false;
    return true;
}

double ApertureFlux(const PixelGrid& g, double x, double y, double radius) {
    const double sky = RingMedian(g, x, y, radius + 2.0, radius + 6.0);
    const int32_t reach = static_cast<int32_t>(std::ceil(radius));
    const int32_t cx = static_cast<int32_t>(std::lround(x)), cy = static_cast<int32_t>(std::lround(y));
    double sum = 0.0;
    for (int32_t r = cy - reach; r <= cy + reach; ++r)
        for (int32_t c = cx - reach; c <= cx + reach; ++c)
            if (std::hypot(c - x, r - y) <= radius) sum += g.At(c, r) - sky;
    return sum;
}

// The darkest one-pixel-wide ring from 1 pixel out to the aperture, as its
// mean less the far sky, in sky sigmas.
double DarkestRing(const PixelGrid& g, double x, double y, double aperture, double sigma) {
    const double sky = RingMedian(g, x, y, aperture + 4.0, aperture + 10.0);
    const int rings = static_cast<int>(std::ceil(aperture + 2.0));
    std::vector<double> sum(rings + 1, 0.0), count(rings + 1, 0.0);
    const int32_t cx = static_cast<int32_t>(std::lround(x)), cy = static_cast<int32_t>(std::lround(y));
    for (int32_t r = cy - rings - 1; r <= cy + rings + 1; ++r)
        for (int32_t c = cx - rings - 1; c <= cx + rings + 1; ++c) {
            const int ring = static_cast<int>(std::lround(std::hypot(c - x, r - y)));
            if (ring < 1 || ring > rings) continue;
            sum[ring] += g.At(c, r) - sky;
            count[ring] += 1.0;
        }
    double darkest = HUGE_VAL;
    for (int ring = 1; ring <= rings; ++ring)
        if (count[ring] > 0.0) darkest = std::min(darkest, sum[ring] / count[ring] / sigma);
    return darkest;
}

// The brightest value when at least kClippedPixels pixels hold it, else 0.
double ClipLevel(const PixelGrid& g, GridRect area) {
    double brightest = 0.0;
    int count = 0;
    for (int32_t y = area.top; y < area.bottom; ++y)
        for (int32_t x = area.left; x < area.right; ++x) {
            const double v = g.At(x, y);
            if (v > brightest) brightest = v, count = 0;
            if (v == brightest) ++count;
        }
    return count >= kClippedPixels ? brightest : 0.0;
}

// Two or more neighbours as bright as the peak.
bool FlatTop(const PixelGrid& g, const Peak& p) {
    int equal = 0;
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) equal += (dx || dy) && g.At(p.x + dx, p.y + dy) == p.value;
    return equal >= 2;
}

// Fits once with a small window, then with one scaled to the star, centred
// where the first fit put it (start is that centre, the same for AFTER).
StarFit FitTwice(const PixelGrid& g, const Peak& p, double& radius, double& startX, double& startY) {
    StarFit fit = FitGaussianStar(g, p.x, p.y, kFirstFitRadius, p.sky);
    if (!fit.ok) return fit;
    radius = std::clamp(1.5 * fit.fwhm, 3.0, 10.0);
    startX = fit.x;
    startY = fit.y;
    return FitGaussianStar(g, startX, startY, radius, p.sky);
}

// Bright stars: the brightest third of those found (at least one).
void MeasureRings(const PixelGrid& before, const PixelGrid& after, std::vector<double> amplitudes,
                  QualityReport& report) {
    if (report.stars.empty()) return;
    const GridRect whole{0, 0, before.width, before.height};
    const double sigma = report.skyNoiseBefore > 0.0 ? report.skyNoiseBefore : DifferenceNoise(before, whole);
    if (sigma <= 0.0) return;
    std::sort(amplitudes.begin(), amplitudes.end(), std::greater<>());
    const double floor = amplitudes[(amplitudes.size() - 1) / 3];
    std::vector<double> ringsBefore, ringsAfter;
    for (QualityStar& s : report.stars) {
        if (s.amplitude < floor) continue;
        const double aperture = std::max(3.0, 2.0 * s.fwhmBefore);
        s.bright = true;
        ringsBefore.push_back(DarkestRing(before, s.x, s.y, aperture, sigma));
        s.darkestRing = DarkestRing(after, s.x, s.y, aperture, sigma);
        ringsAfter.push_back(s.darkestRing);
    }
    report.brightStars = static_cast<int>(ringsAfter.size());
    report.darkestRingBefore = Median(ringsBefore);
    report.darkestRingAfter = Median(ringsAfter);
}

}  // namespace

void MeasureStars(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report) {
    const double noise = DifferenceNoise(before, area);
    if (noise <= 0.0) return;
    const std::vector<Peak> peaks = FindPeaks(before, area, noise);
    const double clip = ClipLevel(before, area);
    std::vector<double> widthsBefore, widthsAfter, amplitudes;
    double fluxBefore = 0.0, fluxAfter = 0.0;
    for (const Peak& p : peaks) {
        if (p.value - p.sky < kStarSignificance * noise || (clip > 0.0 && p.value >= kUnsaturated * clip) ||
            FlatTop(before, p) || !Isolated(p, peaks))
            continue;
        double radius = kFirstFitRadius, startX = 0.0, startY = 0.0;
        const StarFit b = FitTwice(before, p, radius, startX, startY);
        if (!b.ok) continue;
        QualityStar star;
        star.x = b.x;
        star.y = b.y;
        star.amplitude = b.amplitude;
        star.fwhmBefore = b.fwhm;
        const double afterSky = RingMedian(after, p.x, p.y, kSkyInner, kSkyOuter);
        const StarFit a = FitGaussianStar(after, startX, startY, radius, afterSky);
        star.lost = !a.ok;
        const double aperture = std::max(3.0, 2.0 * b.fwhm);
        star.fluxBefore = ApertureFlux(before, b.x, b.y, aperture);
        star.fluxAfter = ApertureFlux(after, b.x, b.y, aperture);
        fluxBefore += star.fluxBefore;
        fluxAfter += star.fluxAfter;
        if (a.ok) {
            star.fwhmAfter = a.fwhm;
            widthsBefore.push_back(b.fwhm);
            widthsAfter.push_back(a.fwhm);
        }
        amplitudes.push_back(b.amplitude);
        report.stars.push_back(star);
    }
    report.starsFound = static_cast<int>(report.stars.size());
    for (const QualityStar& s : report.stars) report.starsLost += s.lost ? 1 : 0;
    report.fwhmBefore = Median(widthsBefore);
    report.fwhmAfter = Median(widthsAfter);
    report.fwhmGain = report.fwhmAfter > 0.0 ? report.fwhmBefore / report.fwhmAfter : 0.0;
    report.fluxRatio = fluxBefore > 0.0 ? fluxAfter / fluxBefore : 0.0;
    MeasureRings(before, after, amplitudes, report);
}

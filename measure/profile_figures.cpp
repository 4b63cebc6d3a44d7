#include "measure/profile_figures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/format.h"

namespace {

// FWHM of a Gaussian in units of its sigma: 2 sqrt(2 ln 2).
constexpr double kFwhmPerSigma = 2.3548200450309493;
// The sigma search: a coarse scan in this many steps, then golden-section.
constexpr int kScanSteps = 200;
constexpr int kRefineSteps = 60;
constexpr double kSmallestSigmaShare = 0.05;  // of one pixel
// Below this excess over the sky (in ADU) the box holds no star.
constexpr double kLeastPeakExcess = 1.0;
// The fit takes the core, the samples above this share of the peak's excess:
// real stars' wings fall off more slowly than a Gaussian's and would widen it
// (by about a tenth on the sample's stars), while the half maximum lies in
// the core. With fewer core samples than this it takes them all.
constexpr double kCoreShare = 0.2;
constexpr size_t kLeastCoreSamples = 6;

struct Point {
    double r;
    double y;  // value above the sky
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) return upper;
    return (*std::max_element(values.begin(), values.begin() + middle) + upper) / 2.0;
}

// Sum of squared residuals of A exp(-r^2 / 2 sigma^2) with the best A >= 0.
double Residual(const std::vector<Point>& points, double sigma) {
    double yg = 0.0, gg = 0.0, yy = 0.0;
    const double k = -0.5 / (sigma * sigma);
    for (const Point& p : points) {
        const double g = std::exp(k * p.r * p.r);
        yg += p.y * g;
        gg += g * g;
        yy += p.y * p.y;
    }
    const double a = gg > 0.0 ? std::max(yg / gg, 0.0) : 0.0;
    return yy - 2.0 * a * yg + a * a * gg;
}

// The sigma in (lo, hi] with the least residual; 0 when the best lies at
// the upper end (the light does not fall off inside the box).
double FitSigma(const std::vector<Point>& points, double lo, double hi) {
    double best = lo, bestResidual = Residual(points, lo);
    const double step = (hi - lo) / kScanSteps;
    for (int i = 1; i <= kScanSteps; ++i) {
        const double sigma = lo + i * step;
        const double residual = Residual(points, sigma);
        if (residual < bestResidual) best = sigma, bestResidual = residual;
    }
    if (best >= hi - step / 2) return 0.0;
    double a = std::max(lo, best - step), b = best + step;
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int i = 0; i < kRefineSteps; ++i) {
        const double c = b - ratio * (b - a), d = a + ratio * (b - a);
        if (Residual(points, c) < Residual(points, d))
            b = d;
        else
            a = c;
    }
    return (a + b) / 2.0;
}

// FWHM in the unit of the distances given, 0 when no width is found.
double FitFwhm(const std::vector<double>& distances, const std::vector<double>& excess, double unit) {
    const double peak = *std::max_element(excess.begin(), excess.end());
    std::vector<Point> points, all;
    double farthest = 0.0;
    for (size_t i = 0; i < distances.size(); ++i) {
        all.push_back({distances[i], excess[i]});
        if (excess[i] >= kCoreShare * peak) points.push_back(all.back());
        farthest = std::max(farthest, distances[i]);
    }
    if (points.size() < kLeastCoreSamples) points = std::move(all);
    if (!(farthest > 0.0)) return 0.0;
    return kFwhmPerSigma * FitSigma(points, kSmallestSigmaShare * unit, farthest);
}

}  // namespace

ProfileFigures MeasureProfileFigures(const ProfileResult& profile) {
    ProfileFigures figures;
    const ProfileRequest& box = profile.request;
    const size_t count = profile.samples.size();
    if (count == 0 || count != size_t(box.boxWidth) * size_t(box.boxHeight)) return figures;

    // The samples are the box's pixels, rows outer: the edge rows and
    // columns stand for the sky, and pixel distances follow from the place.
    std::vector<double> edge, pixelDistances(count), excess(count), skyDistances(count);
    for (size_t k = 0; k < count; ++k) {
        const int32_t i = int32_t(k / size_t(box.boxWidth)), j = int32_t(k % size_t(box.boxWidth));
        const uint16_t value = profile.samples[k].value;
        figures.peak = std::max(figures.peak, value);
        if (i == 0 || j == 0 || i == box.boxHeight - 1 || j == box.boxWidth - 1) edge.push_back(value);
        pixelDistances[k] = std::hypot(box.boxColumn + j - box.centroidColumn, box.boxRow + i - box.centroidRow);
        skyDistances[k] = profile.samples[k].distance;
    }
    figures.background = std::isfinite(profile.sky) ? profile.sky : Median(edge);
    for (size_t k = 0; k < count; ++k) excess[k] = profile.samples[k].value - figures.background;
    if (figures.peak - figures.background < kLeastPeakExcess) return figures;

    figures.fwhmPixels = FitFwhm(pixelDistances, excess, 1.0);
    if (figures.fwhmPixels <= 0.0) return figures;
    figures.star = true;
    // Fitted on the samples' own distances, which weigh each axis by its
    // own scale when the pixels are not square.
    if (!profile.distancesInPixels && profile.scaleX > 0.0 && profile.scaleY > 0.0)
        figures.fwhmArcsec = FitFwhm(skyDistances, excess, std::sqrt(profile.scaleX * profile.scaleY));
    return figures;
}

std::string ProfileFiguresText(const ProfileFigures& figures, bool hasSamples) {
    if (!hasSamples) return {};
    std::string width = "FWHM -";
    if (figures.star) {
        width = Format("FWHM %.2f px", figures.fwhmPixels);
        if (figures.fwhmArcsec > 0.0) width += Format(" = %.1f\u2033", figures.fwhmArcsec);
    }
    return width + Format("\nPeak %u\nBackground %.0f", unsigned(figures.peak), figures.background);
}

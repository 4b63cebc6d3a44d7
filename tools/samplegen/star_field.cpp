#include "tools/samplegen/star_field.h"

#include <algorithm>
#include <cmath>

#include "tools/samplegen/random.h"

namespace {

constexpr double kFwhmPerSigma = 2.3548200450309493;
constexpr double kMoffatBeta = 2.5;
// Stars are drawn out to where they add less than this many ADU.
constexpr double kRenderFloor = 0.25;
constexpr double kMaxRenderRadius = 80.0;
constexpr int kGuaranteedBrightStars = 3;
constexpr double kHotPixelFloor = 20000.0;

double GaussianRadius(double peak, double sigma) {
    return sigma * std::sqrt(2.0 * std::log(std::max(peak / kRenderFloor, 1.0)));
}

double MoffatAlpha(double fwhm) { return fwhm / (2.0 * std::sqrt(std::pow(2.0, 1.0 / kMoffatBeta) - 1.0)); }

double MoffatRadius(double peak, double alpha) {
    return alpha * std::sqrt(std::max(std::pow(peak / kRenderFloor, 1.0 / kMoffatBeta) - 1.0, 0.0));
}

double StarProfile(const SampleStar& star, double squaredRadius) {
    if (star.moffat) {
        double alpha = MoffatAlpha(star.fwhm);
        return star.peak * std::pow(1.0 + squaredRadius / (alpha * alpha), -kMoffatBeta);
    }
    double sigma = star.fwhm / kFwhmPerSigma;
    return star.peak * std::exp(-squaredRadius / (2.0 * sigma * sigma));
}

std::vector<SampleStar> PlaceStars(const StarFieldOptions& options, SampleRandom& random) {
    std::vector<SampleStar> stars(size_t(std::max(options.starCount, 0)));
    double ratio = options.brightestPeak / options.faintestPeak;
    for (size_t i = 0; i < stars.size(); ++i) {
        SampleStar& star = stars[i];
        star.x = random.Uniform() * (options.width - 1);
        star.y = random.Uniform() * (options.height - 1);
        // Cubing the draw makes faint stars common and bright ones rare, as in the sky.
        double draw = i < size_t(kGuaranteedBrightStars) ? 1.0 - 0.03 * double(i) : std::pow(random.Uniform(), 3.0);
        star.peak = options.faintestPeak * std::pow(ratio, draw);
        star.fwhm = options.fwhm * (0.985 + 0.03 * random.Uniform());
        star.moffat = random.Uniform() < options.moffatFraction;
    }
    std::sort(stars.begin(), stars.end(), [](const SampleStar& a, const SampleStar& b) { return a.peak > b.peak; });
    return stars;
}

void RenderStar(const SampleStar& star, int width, int height, std::vector<float>& light) {
    double radius = star.moffat ? MoffatRadius(star.peak, MoffatAlpha(star.fwhm))
                                : GaussianRadius(star.peak, star.fwhm / kFwhmPerSigma);
    radius = std::min(radius, kMaxRenderRadius);
    int left = std::max(0, int(std::floor(star.x - radius)));
    int right = std::min(width - 1, int(std::ceil(star.x + radius)));
    int top = std::max(0, int(std::floor(star.y - radius)));
    int bottom = std::min(height - 1, int(std::ceil(star.y + radius)));
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            double dx = x - star.x;
            double dy = y - star.y;
            light[size_t(y) * size_t(width) + size_t(x)] += float(StarProfile(star, dx * dx + dy * dy));
        }
    }
}

double SkyAt(const StarFieldOptions& options, int x, int y) {
    double fx = options.width > 1 ? double(x) / (options.width - 1) - 0.5 : 0.0;
    double fy = options.height > 1 ? double(y) / (options.height - 1) - 0.5 : 0.0;
    return options.skyLevel + options.gradientX * fx + options.gradientY * fy;
}

uint16_t ToAdu(double value) { return uint16_t(std::clamp(std::round(value), 0.0, 65535.0)); }

void ExposePixels(const StarFieldOptions& options, const std::vector<float>& light, SampleRandom& random,
                  std::vector<uint16_t>& pixels) {
    for (int y = 0; y < options.height; ++y) {
        for (int x = 0; x < options.width; ++x) {
            size_t at = size_t(y) * size_t(options.width) + size_t(x);
            double expected = SkyAt(options, x, y) + light[at];
            double value = expected;
            if (options.noise) {
                value = random.Poisson(expected * options.gain) / options.gain;
                value += options.readNoise * random.Normal();
            }
            pixels[at] = ToAdu(value);
        }
    }
}

}  // namespace

StarField GenerateStarField(const StarFieldOptions& options) {
    StarField field;
    if (options.width < 1 || options.height < 1) return field;
    field.width = options.width;
    field.height = options.height;
    SampleRandom random(options.seed);
    field.stars = PlaceStars(options, random);

    std::vector<float> light(size_t(options.width) * size_t(options.height), 0.0f);
    for (const SampleStar& star : field.stars) RenderStar(star, options.width, options.height, light);
    field.pixels.resize(light.size());
    ExposePixels(options, light, random, field.pixels);

    for (int i = 0; i < options.hotPixels; ++i) {
        HotPixel hot;
        hot.x = int(random.Uniform() * options.width);
        hot.y = int(random.Uniform() * options.height);
        hot.value = ToAdu(kHotPixelFloor + random.Uniform() * (65535.0 - kHotPixelFloor));
        field.pixels[size_t(hot.y) * size_t(options.width) + size_t(hot.x)] = hot.value;
        field.hotPixels.push_back(hot);
    }
    return field;
}

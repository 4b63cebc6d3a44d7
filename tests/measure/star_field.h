#pragma once
// Synthetic star fields of known star width and noise, for the quality
// measures and the engine's comparisons with a known truth.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

struct FieldStar {
    double x, y, amplitude;
};

struct FieldSpec {
    int32_t width = 200, height = 200;
    double sky = 1000.0;
    double fwhm = 3.0;
    double noise = 10.0;  // sigma of the added normal noise
    uint32_t seed = 1;
};

// Point-sampled circular Gaussians on a flat sky, plus noise, rounded and
// clipped to 16 bits.
inline std::vector<uint16_t> MakeStarField(const FieldSpec& field, const std::vector<FieldStar>& stars) {
    const double s = field.fwhm / 2.3548200450309493;
    std::mt19937 random(field.seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<uint16_t> pixels(static_cast<size_t>(field.width) * static_cast<size_t>(field.height));
    for (int32_t y = 0; y < field.height; ++y)
        for (int32_t x = 0; x < field.width; ++x) {
            double v = field.sky;
            for (const FieldStar& star : stars) {
                const double r2 = (x - star.x) * (x - star.x) + (y - star.y) * (y - star.y);
                if (r2 < 400.0) v += star.amplitude * std::exp(-r2 / (2.0 * s * s));
            }
            v += field.noise * normal(random);
            pixels[static_cast<size_t>(y) * static_cast<size_t>(field.width) + static_cast<size_t>(x)] =
                static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
        }
    return pixels;
}

// A 4 x 4 grid of stars 40 px apart with sub-pixel offsets and falling
// amplitudes, in a 200 x 200 field.
inline std::vector<FieldStar> GridStars(double amplitude) {
    std::vector<FieldStar> stars;
    for (int k = 0; k < 16; ++k)
        stars.push_back({40.0 + 40.0 * (k % 4) + 0.13 * k, 40.0 + 40.0 * (k / 4) - 0.07 * k,
                         amplitude * (1.0 - 0.04 * k)});
    return stars;
}

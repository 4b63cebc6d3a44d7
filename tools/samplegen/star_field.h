#pragma once
// A realistic synthetic CCD star field: sky with a gradient, stars of widely
// varying brightness (Gaussian and Moffat profiles), photon and read noise,
// and a few hot pixels. Deterministic for a given seed.

#include <cstdint>
#include <vector>

struct StarFieldOptions {
    int width = 765;
    int height = 510;
    uint64_t seed = 1;
    int starCount = 300;
    double skyLevel = 1000.0;      // ADU at the image centre
    double gradientX = 80.0;       // ADU from left edge to right edge
    double gradientY = -40.0;      // ADU from top edge to bottom edge
    double fwhm = 3.2;             // pixels, typical seeing; stars vary by a percent or two
    double faintestPeak = 15.0;    // ADU above the sky
    double brightestPeak = 60000.0;  // ADU above the sky, just short of saturation
    // Share of stars drawn with a Moffat profile. Every star of one exposure goes
    // through the same optics and seeing, so a realistic field uses one profile.
    double moffatFraction = 1.0;
    double gain = 2.0;             // electrons per ADU, for the photon noise
    double readNoise = 7.0;        // ADU
    int hotPixels = 6;
    bool noise = true;
};

struct SampleStar {
    double x = 0;     // column of the centre, 0 at the left pixel's centre
    double y = 0;     // row of the centre, 0 at the top pixel's centre
    double peak = 0;  // ADU above the sky at the centre
    double fwhm = 0;  // pixels
    bool moffat = false;
};

struct HotPixel {
    int x = 0;
    int y = 0;
    uint16_t value = 0;
};

struct StarField {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;  // row-major, top row first
    std::vector<SampleStar> stars;  // brightest first
    std::vector<HotPixel> hotPixels;
};

StarField GenerateStarField(const StarFieldOptions& options);

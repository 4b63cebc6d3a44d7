#pragma once
// Before-and-after measures of a sharpening run over an area of an image:
// star widths, sky noise, dark rings, flux, the edge of the area and the
// pixels outside it. Every figure is computed from the two images alone, so
// any program's result can be measured the same way.

#include <cstdint>
#include <vector>

#include "measure/pixel_grid.h"

struct QualityStar {
    double x = 0.0, y = 0.0;      // fitted centre in BEFORE
    double amplitude = 0.0;       // above the local sky, in BEFORE
    double fwhmBefore = 0.0;
    double fwhmAfter = 0.0;       // 0 when lost
    bool lost = false;            // no star could be fitted in AFTER
    double fluxBefore = 0.0, fluxAfter = 0.0;
    double darkestRing = 0.0;     // in sky sigma; bright stars only
    bool bright = false;
};

struct QualityReport {
    int starsFound = 0;           // measured in BEFORE
    int starsLost = 0;
    double fwhmBefore = 0.0;      // medians over the stars found in both
    double fwhmAfter = 0.0;
    double fwhmGain = 0.0;        // fwhmBefore / fwhmAfter
    int skyBoxes = 0;
    double skyNoiseBefore = 0.0;  // medians of the boxes' robust sigma
    double skyNoiseAfter = 0.0;
    double skyNoiseRatio = 0.0;
    int brightStars = 0;
    double darkestRingBefore = 0.0;  // medians over the bright stars, in sky sigma
    double darkestRingAfter = 0.0;
    double fluxRatio = 0.0;       // sum of AFTER's aperture fluxes over BEFORE's
    double edgeStep = 0.0;        // in sky sigma
    int64_t changedOutside = 0;   // pixels outside the area that differ
    std::vector<QualityStar> stars;
};

// Both grids must have the same size; area is the rectangle the run was
// allowed to change (clipped to the image).
QualityReport MeasureQuality(const PixelGrid& before, const PixelGrid& after, GridRect area);

// 1.4826 x the median absolute deviation: the standard deviation of normal
// noise, unmoved by a few outliers. Reorders values; 0 when empty.
double RobustSigma(std::vector<double>& values);
double Median(std::vector<double>& values);

#pragma once
// A circular Gaussian fitted to a star by damped least squares, for the
// quality measures: the FWHM of the fit is a width that does not depend on
// where the star's centre falls within its pixel.

#include "measure/pixel_grid.h"

struct StarFit {
    bool ok = false;
    double x = 0.0;          // centre, in pixel coordinates (pixel centres at whole numbers)
    double y = 0.0;
    double amplitude = 0.0;  // above the sky
    double fwhm = 0.0;       // 2 sqrt(2 ln 2) sigma
};

// Fits amplitude, centre and width to the pixels within radius of (x, y),
// with the sky fixed at sky. Not ok when the window leaves the image, the
// fit does not settle, or the result is no star (amplitude <= 0, centre
// moved beyond the radius, FWHM outside 0.5 .. 4 x radius).
StarFit FitGaussianStar(const PixelGrid& grid, double x, double y, double radius, double sky);

// The median of the pixels whose centres lie between inner and outer
// (inclusive) from (x, y); the grid's edge clips the ring. NaN when empty.
double RingMedian(const PixelGrid& grid, double x, double y, double inner, double outer);

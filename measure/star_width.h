#pragma once
// Full width at half maximum of a star, horizontally and vertically, in
// pixels, found by walking from the peak along its row and column to the
// first pixel at or below half maximum (with linear interpolation), and the
// arc-seconds-per-pixel scale that turns it into seeing.

#include <cstdint>

class CImage;

struct StarWidths {
    double x = 0.0;
    double y = 0.0;
};

// The vertical width never exceeds this.
inline constexpr double kMaximumVerticalWidth = 9.9;
// Seeing readouts above this are shown as this.
inline constexpr double kMaximumSeeing = 99.9;

// Widths around the peak (px, py) in an n x n box. (0, 0) when the peak lies
// within n pixels of the right or bottom edge, left of or above the image,
// when n is below 3, or when the peak is less than 6 above the box border's
// mean (no star).
StarWidths StarWidth(const CImage& image, int32_t px, int32_t py, int32_t n);

// Seconds of arc per pixel for a pixel size in millimetres and a focal
// length in inches. 0 when the result would not be a positive finite number
// (focal length 0, missing pixel size), meaning "no scale known".
double ArcsecPerPixel(double pixelSizeMm, double focalLengthInches);

// A width in pixels as seeing in arc-seconds, capped at 99.9.
double SeeingFromWidth(double widthPixels, double arcsecPerPixel);

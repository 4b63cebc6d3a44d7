#pragma once
// The numbers astronomers read off a stellar profile: the brightest pixel,
// the sky around the star and the star's full width at half maximum, from
// the samples of a profile click. The sky is the median of a ring just
// beyond the box (the box's own edge still holds a bright star's wings),
// or of the box's edge pixels where the image has no room for the ring. The width comes from a circular Gaussian
// fitted to the radial samples (value against distance from the centroid)
// over the sky, so it uses every box pixel rather than one row and column.

#include <cstdint>
#include <string>

#include "measure/profile.h"

struct ProfileFigures {
    bool star = false;        // a star stands above the sky and its width was found
    uint16_t peak = 0;        // the brightest box pixel
    double background = 0.0;  // the sky ring's median, or the box edge's
    double fwhmPixels = 0.0;
    double fwhmArcsec = 0.0;  // 0 when the image gives no scale
};

ProfileFigures MeasureProfileFigures(const ProfileResult& profile);

// Three lines, "FWHM 2.35 px = 8.6″", "Peak 5230", "Background 1012" (the
// arc-seconds left out without a scale; "FWHM -" without a star). Empty for
// no samples.
std::string ProfileFiguresText(const ProfileFigures& figures, bool hasSamples = true);

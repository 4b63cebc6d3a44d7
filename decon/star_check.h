#pragma once
// The engine's own verdict on a picked star, without a run: whether the PSF
// measurement would use it, and if so whether it is a good sample. Also the
// PSF that a list of picks would give, measured by the engine's code on a
// small window around each pick, so it equals what a run builds.

#include <cstdint>
#include <vector>

#include "decon/kernels.h"

// Why a pick is or is not a good PSF star; the first three are the
// engine's own reasons to skip it, the last two are samples it would use
// but that spoil the PSF.
enum class StarCheck {
    ok,
    outsideImage,  // the search window misses the image
    nearEdge,      // the box around the brightest pixel leaves the image
    noSignal,      // nothing above the background to measure
    saturated,     // the brightest pixel reaches the saturation level
    blankSky,      // the brightest pixel stands no clear height above the noise
};

// A short reason for the status bar ("Star rejected: ..." style); "" for ok.
const char* StarCheckText(StarCheck check);

// The code's name as written here ("ok", "nearEdge", ...), for reports.
const char* StarCheckName(StarCheck check);

// True when a run would blend the star into its PSF.
inline bool UsedByEngine(StarCheck check) {
    return check == StarCheck::ok || check == StarCheck::saturated || check == StarCheck::blankSky;
}

struct StarCheckLimits {
    uint32_t saturationLevel = 65535;  // the image's saturation level; 0 means 65535
    double minSignalToNoise = 5.0;     // peak above the sky, in sky noise units
};

struct StarCheckResult {
    StarCheck check = StarCheck::outsideImage;
    int32_t peakColumn = -1;  // the brightest pixel the engine found, if any
    int32_t peakRow = -1;
    int peak = 0;             // its value
    int sky = 0;              // the sky level the engine subtracts (median of three box corners)
    double noise = 0.0;       // sky noise from the box's border pixels (robust sigma)
    double signalToNoise = 0.0;
};

// pixels: width x height, row-major. Reads only a small window around the pick.
StarCheckResult CheckStar(const uint16_t* pixels, int32_t width, int32_t height, int32_t column, int32_t row,
                          const StarCheckLimits& limits = {});

struct StarPick {
    int32_t column = 0;
    int32_t row = 0;
};

struct PsfPreview {
    float psf[kPsfSize][kPsfSize] = {};
    int starsUsed = 0;
    std::vector<StarCheck> checks;  // one per pick, in order
    // Second-moment widths of the PSF, in pixels, and 1 - minor / major.
    double fwhmX = 0.0;
    double fwhmY = 0.0;
    double ellipticity = 0.0;
};

// The PSF a run would measure from these picks, in their order.
PsfPreview PreviewPsf(const uint16_t* pixels, int32_t width, int32_t height, const std::vector<StarPick>& picks,
                      const StarCheckLimits& limits = {});

// FWHM in x and y and ellipticity of an 11 x 11 PSF (from its second moments).
void PsfShape(const float (&psf)[kPsfSize][kPsfSize], double& fwhmX, double& fwhmY, double& ellipticity);

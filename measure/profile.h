#pragma once
// The stellar profile of a click: the brightest pixel of an N x N search
// area that starts at the crosshair position and extends right and down
// (clipped to the image), an N x N box centred on it and kept inside the
// image, the background (box mean plus 38 / E_gain), the centroid of the
// light above background, and every box pixel as (distance from the
// centroid in arc-seconds, value). Also the plot layout of the profile window.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

class CImage;

struct ProfileSample {
    double distance = 0.0;  // arc-seconds, or pixels when no scale is known
    uint16_t value = 0;
};

// Working record of one click.
struct ProfileRequest {
    int32_t searchRow = 0;
    int32_t searchColumn = 0;
    int32_t searchHeight = 0;
    int32_t searchWidth = 0;
    int32_t boxRow = 0;  // first row and column of the box
    int32_t boxColumn = 0;
    int32_t boxHeight = 0;  // N, or the image's side when it is smaller
    int32_t boxWidth = 0;
    uint16_t peakValue = 0;
    int32_t peakColumn = 0;
    int32_t peakRow = 0;
    uint64_t boxSum = 0;
    uint32_t background = 0;
    double excessSum = 0.0;
    double excessByColumn = 0.0;
    double excessByRow = 0.0;
    double centroidColumn = 0.0;
    double centroidRow = 0.0;
};

struct ProfileResult {
    ProfileRequest request;
    std::vector<ProfileSample> samples;  // box pixels, rows outer
    double extent = 0.0;                 // box diagonal, same unit as the distances
    // True when the image gives no usable arc-second scale (focal length 0):
    // distances and extent are then in pixels.
    bool distancesInPixels = false;
    // Arc-seconds per pixel across and down (0 when no scale is known).
    double scaleX = 0.0;
    double scaleY = 0.0;
    // The sky near the star: the median of a ring around the centroid just
    // beyond the box's reach (see profile_figures.h); NaN where the image
    // holds no such ring.
    double sky = std::numeric_limits<double>::quiet_NaN();
};

// x, y: the clamped crosshair position (search corner); n: the box side.
// An image without pixels gives an empty result.
ProfileResult MeasureProfile(const CImage& image, int32_t x, int32_t y, int32_t n);

// The profile window's plot in logical units: origin at the lower left of
// the plot, y up. Each point is the bounding box of its 4-pixel circle;
// labels are ready to draw.
struct ProfilePlotPoint {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
struct ProfilePlot {
    int32_t width = 0;   // client width - 53
    int32_t height = 0;  // client height - 30
    uint16_t maximum = 0;
    uint16_t minimum = 0;
    std::vector<ProfilePlotPoint> points;
    std::string divisionLabel;  // "%1.1lf ″/div" (or "px/div")
    std::string maximumLabel;
    std::string minimumLabel;
};
// Flat samples (all one value) are drawn on the bottom line and a zero
// extent at the left edge, so no scale is ever infinite. A point farther
// out than 70 % of the diagonal lies right of the plot.
ProfilePlot LayoutProfilePlot(const ProfileResult& profile, int32_t clientWidth,
                              int32_t clientHeight);

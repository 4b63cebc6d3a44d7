#pragma once
// Stars picked for the user: isolated, unsaturated, bright stars away from
// the edges, each one passed by the engine's own check of a pick
// (star_check.h), with the reason every other candidate was turned down.

#include <cstdint>
#include <string>
#include <vector>

#include "decon/star_check.h"

struct StarRejection {
    int32_t column = 0;
    int32_t row = 0;
    std::string reason;  // "PSF candidate at X, Y rejected: ..."
};

struct AutoStars {
    std::vector<StarPick> stars;  // brightest first; each is the star's brightest pixel
    std::vector<StarRejection> rejected;  // the candidates looked at and turned down, brightest first
    int candidates = 0;  // local maxima clearly above the sky
};

// Bright enough to be a good PSF sample: the peak stands this many noise
// sigmas above its sky.
inline constexpr double kAutoStarMinSignalToNoise = 10.0;
// No other peak within this many pixels (the engine's search window and box).
inline constexpr int32_t kAutoStarIsolation = 12;
// Distance kept from every image edge.
inline constexpr int32_t kAutoStarEdge = 20;

// Picks up to count stars from pixels (width x height, row-major).
// saturationLevel: the image's saturation level (0: 65535).
AutoStars PickStars(const uint16_t* pixels, int32_t width, int32_t height, int count, uint32_t saturationLevel = 0);

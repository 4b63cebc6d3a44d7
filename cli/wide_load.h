#pragma once
// Loading for the commands that take --scale: FITS images of 32-bit integers
// or 32/64-bit reals open only when the user names a mapping onto 16 bits.

#include <optional>
#include <string>

#include "image/wide_fits.h"

class CImage;

// The option's usage text and its parse; a usage problem when malformed.
inline constexpr const char* kScaleUsage = "[--scale auto|MIN,MAX]";
bool ParseScaleOption(const std::optional<std::string>& text, std::optional<WideScale>& scale,
                      std::string& problem);

// Loads path like LoadImageFile; a wide FITS image is converted with scale
// (the mapping is reported on stderr) or, without one, refused with a hint.
bool LoadImageFileScaled(const std::string& path, CImage& image,
                         const std::optional<WideScale>& scale);

// Refuses (with one line) an output that is the input itself: a converted
// image never replaces its original.
bool DistinctOutput(const std::string& in, const std::string& out);

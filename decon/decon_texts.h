#pragma once
// Status lines the engine and its worker show while a run goes on.

inline constexpr const char* kTextNoiseReduction = "Noise reduction...";
inline constexpr const char* kTextEstimatingBackground = "Estimating background...";
// printf format; the argument is the percentage done, as a double.
inline constexpr const char* kTextDeconvolvedFormat = "Deconvolved %1.0f%%...";

inline constexpr const char* kTextNoUsableStar =
    "No usable PSF star: the image was left unchanged.";
inline constexpr const char* kTextEmptySelection =
    "The area to deconvolve is empty: the image was left unchanged.";
inline constexpr const char* kTextNoImage = "No image to deconvolve.";
inline constexpr const char* kTextAlreadyRun = "This deconvolution has already run.";

// How a run ended, in the desktop program and the command-line tool alike.
inline constexpr const char* kTextRunComplete = "Deconvolution complete.";
inline constexpr const char* kTextRunAborted = "Deconvolution aborted.";

// printf formats for a star that cannot be used; arguments column, row.
inline constexpr const char* kTextStarOutside = "PSF star at %d, %d skipped: it lies outside the image.";
inline constexpr const char* kTextStarNearEdge =
    "PSF star at %d, %d skipped: it is too close to the image edge.";
inline constexpr const char* kTextStarNoSignal =
    "PSF star at %d, %d skipped: no light above the background.";

// printf format; arguments width, height.
inline constexpr const char* kTextNoMemory = "Not enough memory to deconvolve a %d x %d image.";
inline constexpr const char* kTextBadSize = "Cannot deconvolve an image of %d x %d pixels.";

#pragma once
// The rectangle a run deconvolves: the user's selection, or the whole image,
// pulled in to 10 pixels from every edge.

#include <cstdint>

#include "decon/decon_engine.h"

inline constexpr int32_t kRunEdgeMargin = 10;

// selection may be null (no rectangle drawn). The result may be empty.
DeconRect RunSelection(const DeconRect* selection, int32_t width, int32_t height);

#pragma once
// What the run driver tells the user.

#include "decon/decon_texts.h"

inline constexpr const char* kTextNoTimer = "OS unable to allocate timer";

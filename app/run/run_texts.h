#pragma once
// What the run driver tells the user.

inline constexpr const char* kTextRunComplete = "Deconvolution complete.";
inline constexpr const char* kTextRunAborted = "Deconvolution aborted.";
inline constexpr const char* kTextNoTimer = "OS unable to allocate timer";

#pragma once
// Arithmetic of the contrast bar's controls: the step buttons and the
// magnification list. Widget-free.

#include <cstdint>

// Signed step divisors of the four step buttons: D moves by about a tenth,
// S by about a hundredth of the value, plus one.
inline constexpr int32_t kLargeStepDown = -10;
inline constexpr int32_t kLargeStepUp = 10;
inline constexpr int32_t kSmallStepDown = -100;
inline constexpr int32_t kSmallStepUp = 100;

// value + value / step (truncating) - 1 for a step below 1, + 1 otherwise.
int32_t SteppedValue(int32_t value, int32_t step);
// A back step's result clamped to -65535 .. 65535.
int32_t SteppedBack(int32_t back, int32_t step);
// A range step's result clamped to 16 .. 65536.
int32_t SteppedRange(int32_t range, int32_t step);

// The zoom step of a "&Mag" list index: 0, 1, 3 and 4 as they are, anything
// else 1:1.
int32_t ZoomOfMagIndex(int32_t index);

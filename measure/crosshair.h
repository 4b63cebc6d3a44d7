#pragma once
// The crosshair readouts at the pixel under the cursor: position, value,
// box average, box noise and seeing, and their texts for the crosshair
// window. The measurements use the unclamped cursor position (the box
// functions clamp); the position shown and kept for the profile click is
// clamped to the image.

#include <array>
#include <cstdint>
#include <string>

#include "measure/box_stats.h"

class CImage;

// Box side at program start, and the list entries of the box-size combo box.
inline constexpr int32_t kDefaultBoxSize = 5;
inline constexpr int32_t kBoxSizeChoices = 15;
inline constexpr int32_t kDefaultBoxChoice = 4;
extern const std::array<const char*, kBoxSizeChoices> BoxSizeLabels;  // "3x3" .. "31x31"

// 2 x index + 3 (3..31); an index outside the list gives the default 11.
int32_t BoxSizeFromChoice(int32_t choiceIndex);

// A position clamped to the image: below 1 -> 0, at or past the last column
// (row) -> the last column (row). An image without pixels gives (0, 0).
PixelPoint ClampToImage(const CImage& image, int32_t x, int32_t y);

struct CrosshairReadout {
    PixelPoint position;  // clamped, zero-based
    uint16_t value = 0;   // pixel at the clamped position
    int32_t average = 0;
    double noise = 0.0;
    double seeingX = 0.0;  // arc-seconds, capped at 99.9; 0 without a scale
    double seeingY = 0.0;
};

CrosshairReadout MeasureAtCursor(const CImage& image, int32_t x, int32_t y, int32_t boxSize);

// The five field texts of the crosshair window.
struct CrosshairTexts {
    std::string position;  // "x+1, y+1"
    std::string value;
    std::string average;
    std::string noise;
    std::string seeing;
};
CrosshairTexts FormatCrosshair(const CrosshairReadout& readout);

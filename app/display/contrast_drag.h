#pragma once
// Arithmetic of the live contrast drag. While the mouse moves, the drag pad's
// offset (dx, dy) selects a window (start, end) of display indices for the
// grey ramp; only the colours change. On release the window is folded back
// into the image's back and range, and the pixels are remapped once.

#include <cstdint>

#include "image/display_settings.h"

struct DragWindow {
    int32_t start = 32;
    int32_t end = 96;
    friend bool operator==(const DragWindow&, const DragWindow&) = default;
};

// dx, dy: where the drag began minus the current point, in drag-pad pixels.
// Right narrows the ramp at half speed, left widens it; down raises the
// black point, up lowers it.
DragWindow ContrastDrag(int32_t dx, int32_t dy);

// The settings after the drop: back and range folded from the window,
// autoContrast cleared, the other fields kept.
DisplaySettings ContrastDrop(const DisplaySettings& current, DragWindow window);

#pragma once
// The widget-free display mapping of an image window, in one include:
//  - zoom.h           zoom steps, window <-> image coordinates, cursor point
//  - display_index.h  pixel value -> display index 0..191 (lookup table)
//  - smoothing.h      the optional 3 x 3 display smoothing
//  - colour_table.h   index -> grey: colour table and palette entries
//  - histogram.h      CHistogram with the 20 % and 99 % points
//  - auto_levels.h    automatic back and range
//  - contrast_drag.h  drag window and drop arithmetic of the contrast pad
//  - display_bitmap.h DisplayBitmap and BuildDisplayBitmap
//  - display_render.h the bitmap as a zoomed grey image
// Nothing here includes a window-system header; drawing, palettes and the
// contrast bar stay with the application shell.

#include "app/display/auto_levels.h"
#include "app/display/colour_table.h"
#include "app/display/contrast_drag.h"
#include "app/display/display_bitmap.h"
#include "app/display/display_index.h"
#include "app/display/display_render.h"
#include "app/display/histogram.h"
#include "app/display/smoothing.h"
#include "app/display/zoom.h"

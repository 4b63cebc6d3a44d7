#pragma once
// The pieces MeasureQuality is made of, each filling its part of the report.

#include "measure/quality.h"

// Noise of single pixels from differences of neighbours in the area.
double DifferenceNoise(const PixelGrid& grid, GridRect area);
void MeasureSky(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report);
// Needs report.skyNoiseBefore.
void MeasureEdge(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report);
// Needs report.skyNoiseBefore.
void MeasureStars(const PixelGrid& before, const PixelGrid& after, GridRect area, QualityReport& report);

#pragma once
// Paints a laid-out stellar profile into a client area: black grid with
// longer ticks at 0, 5 and 10 divisions, red point marks, and the scale
// labels beside and below the axes.

#include <QSize>

#include "measure/profile.h"

class QPainter;

// The plot origin's distance from the client area's left and bottom edges.
inline constexpr int kPlotOriginLeft = 43;
inline constexpr int kPlotOriginBottom = 20;

void PaintProfilePlot(QPainter& painter, const ProfilePlot& plot, QSize client);

// The star's figures (lines of text) in the plot's top-right corner, where a
// star's profile leaves the plot empty, on white so the grid does not cross them.
void PaintProfileFigures(QPainter& painter, const ProfilePlot& plot, const QString& figures, QSize client);

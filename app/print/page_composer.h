#pragma once
// Draws the one printed page of an image: the picture centred across the
// page with a black frame, the parameters report centred below it in a
// fixed-pitch font (its columns line up), and the version/date line under
// that. The same drawing serves the printer, the preview and tests.

#include <QRect>

class QPainter;
struct PrintedPage;

// Where each element went, in device pixels.
struct PageLayout {
    QRect picture;
    QRect frame;  // outer edge of the black frame
    QRect report;
    QRect versionLine;
};

// Draws the page into area (device pixels of the painter's device, whose
// resolution sets the margins, the frame and the nominal picture size).
PageLayout DrawPage(QPainter& painter, const QRect& area, const PrintedPage& page);

#pragma once
// The status bar's pixel readout: the image pixel under the mouse and its
// value, shown without the crosshair window.

#include <QPoint>
#include <QString>

class CImage;
class CChildFrame;

// "X: 12  Y: 34  Value: 1234" for a pixel inside the image, empty for a
// point outside it. valueReadable false stands for pixels a run is writing
// at this moment: the position is shown, the value as "busy".
QString PixelReadoutText(const CImage& image, QPoint pixel, bool valueReadable = true);

// Shows the readout for an (unclipped) image point of the frame's image in
// the main window's status bar; a point outside the image clears it.
void ShowPixelReadout(CChildFrame& frame, QPoint pixel);
// Clears the readout (the mouse left the image's window).
void ClearPixelReadout();

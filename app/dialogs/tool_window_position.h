#pragma once
// Modeless tool windows reopen where the user left them, as long as that
// corner is still on the desktop (a monitor may have gone since).

#include <QPoint>
#include <QRect>

class QWidget;

// The corner to open at: the stored one when a 20-pixel square there lies
// on the desktop, otherwise a tenth of the way into the main screen.
QPoint ToolWindowCorner(QPoint stored, const QRect& desktop, const QRect& mainScreen);

// Reads "XPos"/"YPos" of the settings section and moves the window there,
// keeping its size.
void RestoreToolWindowPosition(QWidget& window, const char* section);
// Writes the window's current top-left corner as "XPos"/"YPos".
void SaveToolWindowPosition(const QWidget& window, const char* section);

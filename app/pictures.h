#pragma once
// The program's pictures, drawn in code so they scale with the screen:
// toolbar icons, the application icon, the three click-mode cursors, the
// contrast bar's step buttons and drag pad, and the tip dialog's bulb.

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The toolbar icon of a command id (a null icon for ids without one).
QIcon ToolbarIcon(int commandId);
QIcon ApplicationIcon();

// The cursor of a click mode: 0 select area, 1 select stars, 2 profiles.
QCursor ClickModeCursor(int clickMode);

// The step buttons of the contrast bar: a double arrow for the large step
// ("DDN", "DUP"), a single one for the small step ("SDN", "SUP"); pressed
// draws the sunken picture.
QPixmap StepButtonPicture(const QString& caption, bool pressed, int side);

// The drag pad: brightness down the side, contrast along the bottom.
QPixmap DragPadPicture(QSize size);

// The bulb beside "Did you know...".
QPixmap TipBulbPicture(int side);

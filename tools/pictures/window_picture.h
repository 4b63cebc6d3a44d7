#pragma once
// The main window as a person sees it on screen. Offscreen, top-level
// windows have no title bar and are not part of the main window's own
// picture, so floating windows (the contrast bar, a dialog) are drawn over
// it where they stand, each under a plain title bar.

#include <QImage>
#include <QString>
#include <initializer_list>

class QWidget;

// A window's body under a title bar with its title, inside a thin border.
QImage WithTitleBar(const QImage& body, const QString& title);

// The main window with the visible ones of the floating windows on top,
// in the order given.
QImage MainWindowPicture(QWidget& mainWindow, std::initializer_list<QWidget*> floating);

#pragma once
// Window sizes given in dialog units: a quarter of the font's average
// character width across, an eighth of its height down, so the tool windows
// keep their proportions whatever font the desktop uses.

#include <QFontMetrics>
#include <QSize>
#include <QWidget>

inline QSize DialogUnitsToPixels(const QWidget& widget, int across, int down) {
    QFontMetrics metrics(widget.font());
    return QSize(across * metrics.averageCharWidth() / 4, down * metrics.height() / 8);
}

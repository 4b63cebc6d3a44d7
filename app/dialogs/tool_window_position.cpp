#include "app/dialogs/tool_window_position.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/qt/profile.h"

namespace {
// How much of the window's corner must be visible for the stored place to count.
constexpr int kVisibleCorner = 20;
}  // namespace

QPoint ToolWindowCorner(QPoint stored, const QRect& desktop, const QRect& mainScreen) {
    const QRect corner(stored, QSize(kVisibleCorner, kVisibleCorner));
    if (desktop.contains(corner))
        return stored;
    return mainScreen.topLeft() + QPoint(mainScreen.width() / 10, mainScreen.height() / 10);
}

void RestoreToolWindowPosition(QWidget& window, const char* section) {
    const QPoint stored(Profile::GetInt(section, "XPos", 0), Profile::GetInt(section, "YPos", 0));
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        window.move(stored);
        return;
    }
    window.move(ToolWindowCorner(stored, screen->virtualGeometry(), screen->geometry()));
}

void SaveToolWindowPosition(const QWidget& window, const char* section) {
    const QPoint corner = window.pos();
    Profile::WriteInt(section, "XPos", corner.x());
    Profile::WriteInt(section, "YPos", corner.y());
}

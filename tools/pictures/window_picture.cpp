#include "tools/pictures/window_picture.h"

#include <QPainter>
#include <QWidget>

namespace {
constexpr int kTitleHeight = 22;
}  // namespace

QImage WithTitleBar(const QImage& body, const QString& title) {
    QImage framed(body.width() + 2, body.height() + kTitleHeight + 1, QImage::Format_ARGB32);
    framed.fill(QColor(70, 70, 80));
    QPainter painter(&framed);
    painter.fillRect(QRect(1, 1, framed.width() - 2, kTitleHeight - 1), QColor(60, 90, 150));
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 1, framed.width() - 16, kTitleHeight - 1), Qt::AlignVCenter | Qt::AlignLeft, title);
    painter.drawImage(1, kTitleHeight, body);
    return framed;
}

QImage MainWindowPicture(QWidget& mainWindow, std::initializer_list<QWidget*> floating) {
    QImage shot = mainWindow.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&shot);
    for (QWidget* window : floating) {
        if (!window || !window->isVisible()) continue;
        // The title bar sits above the window's own top-left corner, as a
        // window manager would put it.
        const QPoint at = window->pos() - mainWindow.pos() - QPoint(1, kTitleHeight);
        painter.drawImage(at, WithTitleBar(window->grab().toImage(), window->windowTitle()));
    }
    return shot;
}

#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <functional>
#include <utility>

#include "app/commands.h"

namespace {

using Painting = std::function<void(QPainter&)>;

// Paints on a 16 x 16 design grid at the pixel size asked for.
QPixmap Draw(int side, const Painting& paint) {
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 16.0, side / 16.0);
    paint(painter);
    return picture;
}

QIcon IconOf(const Painting& paint) {
    QIcon icon;
    for (int side : {16, 24, 32, 48}) icon.addPixmap(Draw(side, paint));
    return icon;
}

void PaintOpen(QPainter& p) {
    p.setPen(QPen(QColor(120, 80, 10), 0.8));
    p.setBrush(QColor(240, 200, 90));
    p.drawPolygon(QPolygonF({{1, 4}, {6, 4}, {7, 5.5}, {14, 5.5}, {14, 13.5}, {1, 13.5}}));
    p.setBrush(QColor(250, 225, 130));
    p.drawPolygon(QPolygonF({{3, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1, 13.5}}));
}

void PaintSave(QPainter& p) {
    p.setPen(QPen(QColor(20, 40, 90), 0.8));
    p.setBrush(QColor(60, 100, 190));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(4, 9, 8, 5.5));
}

void PaintPrint(QPainter& p) {
    p.setPen(QPen(QColor(50, 50, 50), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 10, 8, 4.5));
}

void PaintStarMark(QPainter& p, QPointF at, double arm) {
    p.setPen(QPen(QColor(230, 0, 0), 1.2));
    p.drawLine(QPointF(at.x() - arm, at.y()), QPointF(at.x() + arm, at.y()));
    p.drawLine(QPointF(at.x(), at.y() - arm), QPointF(at.x(), at.y() + arm));
}

void PaintSky(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 40));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
}

void PaintSelectPsfs(QPainter& p) {
    PaintSky(p);
    p.setBrush(QColor(255, 255, 220));
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    PaintStarMark(p, {8, 8}, 6);
}

void PaintSelectArea(QPainter& p) {
    PaintSky(p);
    p.setBrush(QColor(230, 230, 200));
    p.drawEllipse(QPointF(5, 6), 1.2, 1.2);
    p.drawEllipse(QPointF(10.5, 10), 1, 1);
    QPen dashed(QColor(0, 230, 0), 1.1, Qt::DashLine);
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 3, 11, 10));
}

void PaintSelectProfiles(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1, 1, 14, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 200));
    const double heights[] = {13, 12.5, 10, 6, 3.5, 6, 10, 12.5, 13};
    for (int i = 0; i < 9; ++i) p.drawEllipse(QPointF(2.5 + i * 1.375, heights[i]), 0.9, 0.9);
}

void PaintCleanImage(QPainter& p) {
    PaintSky(p);
    p.setPen(QPen(QColor(240, 240, 240), 0.8));
    p.setBrush(QColor(245, 160, 170));
    p.drawPolygon(QPolygonF({{3, 11}, {9, 4}, {13.5, 7.5}, {7.5, 14.5}}));
    p.setBrush(QColor(120, 150, 230));
    p.drawPolygon(QPolygonF({{3, 11}, {5.5, 8.2}, {10, 11.8}, {7.5, 14.5}}));
}

void PaintStart(QPainter& p) {
    p.setPen(QPen(QColor(0, 90, 0), 0.8));
    p.setBrush(QColor(40, 180, 40));
    p.drawPolygon(QPolygonF({{3, 2}, {14, 8}, {3, 14}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 210));
    p.drawEllipse(QPointF(6.5, 8), 1.6, 1.6);
}

void PaintAbort(QPainter& p) {
    p.setPen(QPen(QColor(110, 0, 0), 0.8));
    p.setBrush(QColor(210, 30, 30));
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octagon << QPointF(8 + 6.8 * std::cos(angle), 8 + 6.8 * std::sin(angle));
    }
    p.drawPolygon(octagon);
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(5.5, 8), QPointF(10.5, 8));
}

void PaintApplication(QPainter& p) {
    QRadialGradient sky(QPointF(8, 8), 8);
    sky.setColorAt(0, QColor(40, 50, 110));
    sky.setColorAt(1, QColor(5, 5, 25));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QRadialGradient star(QPointF(8, 8), 3.5);
    star.setColorAt(0, Qt::white);
    star.setColorAt(0.5, QColor(255, 240, 180));
    star.setColorAt(1, Qt::transparent);
    p.setBrush(star);
    p.drawEllipse(QPointF(8, 8), 3.5, 3.5);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 8), 5.6, 5.6);
}

}  // namespace

QIcon ToolbarIcon(int commandId) {
    switch (commandId) {
    case Cmd::FileOpen: return IconOf(PaintOpen);
    case Cmd::FileSave: return IconOf(PaintSave);
    case Cmd::FilePrint: return IconOf(PaintPrint);
    case Cmd::SelectPsfs: return IconOf(PaintSelectPsfs);
    case Cmd::SelectArea: return IconOf(PaintSelectArea);
    case Cmd::SelectProfiles: return IconOf(PaintSelectProfiles);
    case Cmd::CleanImage: return IconOf(PaintCleanImage);
    case Cmd::StartLR: return IconOf(PaintStart);
    case Cmd::AbortLR: return IconOf(PaintAbort);
    default: return {};
    }
}

QIcon ApplicationIcon() { return IconOf(PaintApplication); }

QCursor ClickModeCursor(int clickMode) {
    constexpr int kSide = 32;
    constexpr int kCentre = 15;
    QPixmap picture(kSide, kSide);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    // A white-edged black cross shows on dark sky and on a bright star alike.
    for (const auto& [colour, width] : {std::pair{QColor(Qt::white), 3}, std::pair{QColor(Qt::black), 1}}) {
        p.setPen(QPen(colour, width));
        p.drawLine(kCentre - 10, kCentre, kCentre - 3, kCentre);
        p.drawLine(kCentre + 3, kCentre, kCentre + 10, kCentre);
        p.drawLine(kCentre, kCentre - 10, kCentre, kCentre - 3);
        p.drawLine(kCentre, kCentre + 3, kCentre, kCentre + 10);
    }
    p.setRenderHint(QPainter::Antialiasing);
    if (clickMode == 0) {
        p.setPen(QPen(QColor(0, 160, 0), 1, Qt::DashLine));
        p.drawRect(kCentre + 4, kCentre + 4, 10, 8);
    } else if (clickMode == 1) {
        p.setPen(QPen(QColor(220, 0, 0), 1.5));
        p.drawEllipse(QPointF(kCentre, kCentre), 6, 6);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 200));
        const int heights[] = {12, 10, 5, 2, 5, 10, 12};
        for (int i = 0; i < 7; ++i) p.drawEllipse(QPointF(kCentre + 4 + i * 2, kCentre + 4 + heights[i]), 1, 1);
    }
    p.end();
    return QCursor(picture, kCentre, kCentre);
}

QPixmap StepButtonPicture(const QString& caption, bool pressed, int side) {
    const bool up = caption.endsWith(QLatin1String("UP"));
    const bool large = caption.startsWith(QLatin1Char('D'));
    return Draw(side, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(pressed ? QColor(190, 190, 190) : QColor(225, 225, 225));
        p.drawRect(QRectF(0, 0, 16, 16));
        p.setPen(QPen(pressed ? QColor(110, 110, 110) : Qt::white, 1));
        p.drawLine(QPointF(0.5, 15.5), QPointF(0.5, 0.5));
        p.drawLine(QPointF(0.5, 0.5), QPointF(15.5, 0.5));
        p.setPen(QPen(pressed ? Qt::white : QColor(110, 110, 110), 1));
        p.drawLine(QPointF(15.5, 0.5), QPointF(15.5, 15.5));
        p.drawLine(QPointF(15.5, 15.5), QPointF(0.5, 15.5));
        const double shift = pressed ? 0.7 : 0.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 30, 30));
        auto arrow = [&](double centreY) {
            const double tip = up ? centreY - 2.5 : centreY + 2.5;
            const double base = up ? centreY + 2.5 : centreY - 2.5;
            p.drawPolygon(QPolygonF({{8 + shift, tip + shift}, {3 + shift, base + shift}, {13 + shift, base + shift}}));
        };
        if (large) {
            arrow(5.5);
            arrow(10.5);
        } else {
            arrow(8);
        }
    });
}

QPixmap DragPadPicture(QSize size) {
    QPixmap picture(size);
    QPainter p(&picture);
    QLinearGradient across(0, 0, size.width(), 0);
    across.setColorAt(0, QColor(150, 150, 150));
    across.setColorAt(1, QColor(20, 20, 20));
    p.fillRect(picture.rect(), across);
    QLinearGradient down(0, 0, 0, size.height());
    down.setColorAt(0, QColor(255, 255, 255, 200));
    down.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(picture.rect(), down);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    const QPoint centre = picture.rect().center();
    p.setPen(QPen(QColor(255, 255, 255, 90), 1, Qt::DotLine));
    p.drawLine(centre.x(), 2, centre.x(), size.height() - 3);
    p.drawLine(2, centre.y(), size.width() - 3, centre.y());
    return picture;
}

QPixmap TipBulbPicture(int side) {
    return Draw(side, [](QPainter& p) {
        p.setPen(QPen(QColor(120, 100, 0), 0.6));
        QRadialGradient glass(QPointF(7, 5.5), 5);
        glass.setColorAt(0, QColor(255, 255, 220));
        glass.setColorAt(1, QColor(250, 210, 40));
        p.setBrush(glass);
        p.drawEllipse(QPointF(8, 6), 4.8, 4.8);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(6, 10.5, 4, 3.5));
        p.drawLine(QPointF(6, 12), QPointF(10, 12));
    });
}

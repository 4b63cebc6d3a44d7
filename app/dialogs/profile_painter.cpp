#include "app/dialogs/profile_painter.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace {

constexpr int kDivisions = 10;
constexpr int kLongTick = 6;
constexpr int kShortTick = 3;
// Labels keep this distance from the axes.
constexpr int kLabelGap = 8;
// The value labels sit this far below the grid line they name.
constexpr int kValueLabelDrop = 4;

// Plot coordinates (origin at the axes' corner, y up) to client pixels.
class PlotFrame {
public:
    explicit PlotFrame(QSize client) : originY_(client.height() - kPlotOriginBottom) {}
    QPoint At(int x, int y) const { return QPoint(kPlotOriginLeft + x, originY_ - y); }

private:
    int originY_;
};

void PaintGrid(QPainter& painter, const ProfilePlot& plot, const PlotFrame& frame) {
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i <= kDivisions; ++i) {
        const int x = plot.width * i / kDivisions;
        const int y = plot.height * i / kDivisions;
        const int tick = (i % 5 == 0) ? kLongTick : kShortTick;
        painter.drawLine(frame.At(x, -tick), frame.At(x, plot.height));
        painter.drawLine(frame.At(-tick, y), frame.At(plot.width, y));
    }
}

void PaintPoints(QPainter& painter, const ProfilePlot& plot, const PlotFrame& frame) {
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.setBrush(Qt::white);
    for (const ProfilePlotPoint& point : plot.points) {
        // The outline covers the box's pixels from the top-left corner up
        // to, not including, the bottom-right one; a stroked rectangle of
        // size s covers s + 1 pixels.
        const QPoint topLeft = frame.At(point.left, point.top);
        const QPoint bottomRight = frame.At(point.right, point.bottom);
        const QSize covered(bottomRight.x() - topLeft.x() - 1, bottomRight.y() - topLeft.y() - 1);
        painter.drawEllipse(QRect(topLeft, covered));
    }
    painter.setBrush(Qt::NoBrush);
}

void PaintLabels(QPainter& painter, const ProfilePlot& plot, const PlotFrame& frame, QSize client) {
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());

    // Under the axis, centred; raised when the font is too tall to fit.
    const QString division = QString::fromStdString(plot.divisionLabel);
    const int divisionWidth = metrics.horizontalAdvance(division);
    QPoint divisionTop = frame.At(plot.width / 2, -kLabelGap);
    divisionTop.setY(std::min(divisionTop.y(), client.height() - metrics.height()));
    painter.drawText(divisionTop.x() - divisionWidth / 2, divisionTop.y() + metrics.ascent(), division);

    const QString maximum = QString::fromStdString(plot.maximumLabel);
    const QString minimum = QString::fromStdString(plot.minimumLabel);
    const QPoint maximumBase = frame.At(-kLabelGap, plot.height - kValueLabelDrop);
    const QPoint minimumBase = frame.At(-kLabelGap, -kValueLabelDrop);
    painter.drawText(maximumBase.x() - metrics.horizontalAdvance(maximum), maximumBase.y(), maximum);
    painter.drawText(minimumBase.x() - metrics.horizontalAdvance(minimum), minimumBase.y(), minimum);
}

}  // namespace

void PaintProfileFigures(QPainter& painter, const ProfilePlot& plot, const QString& figures, QSize client) {
    if (figures.isEmpty()) return;
    constexpr int kInset = 2, kPadding = 2;
    const QPoint corner = PlotFrame(client).At(plot.width, plot.height) + QPoint(-kInset, kInset);
    const QRect text = painter.fontMetrics().boundingRect(QRect(0, 0, client.width(), client.height()),
                                                          Qt::AlignRight | Qt::AlignTop, figures);
    const QRect box(corner.x() - text.width() - 2 * kPadding, corner.y(), text.width() + 2 * kPadding,
                    text.height() + 2 * kPadding);
    painter.fillRect(box, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(box.adjusted(kPadding, kPadding, -kPadding, -kPadding), Qt::AlignRight | Qt::AlignTop, figures);
}

void PaintProfilePlot(QPainter& painter, const ProfilePlot& plot, QSize client) {
    const PlotFrame frame(client);
    PaintGrid(painter, plot, frame);
    PaintPoints(painter, plot, frame);
    PaintLabels(painter, plot, frame, client);
}

#include "app/contrast_widgets.h"

#include <QPainter>

#include "app/pictures.h"

namespace {

const QColor kMarkerColour(200, 0, 0);
constexpr int kMarkerWidth = 3;

QRect MarkerArea(QPoint at) { return QRect(at - QPoint(3, 3), QSize(7, 7)); }

}  // namespace

StepButton::StepButton(const QString& caption, QWidget* parent) : QAbstractButton(parent), caption_(caption) {
    setFocusPolicy(Qt::NoFocus);
}

void StepButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height());
    painter.drawPixmap((width() - side) / 2, (height() - side) / 2,
                       StepButtonPicture(caption_, isDown(), side));
}

DragPad::DragPad(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
}

void DragPad::SetMarker(std::optional<QPoint> at) {
    if (marker_) update(MarkerArea(*marker_));
    marker_ = at;
    if (marker_) update(MarkerArea(*marker_));
}

void DragPad::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, DragPadPicture(size()));
    if (!marker_) return;
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(kMarkerColour, kMarkerWidth, Qt::DashDotLine, Qt::SquareCap);
    painter.setPen(pen);
    painter.drawPoint(*marker_);
}

#include "app/change_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "decon/decon_engine.h"

namespace {
// The scale spans the decades the changes cover, at least one (so that a
// nearly flat course looks flat) and at most four below the largest.
constexpr double kFewestDecades = 1.0;
constexpr double kMostDecades = 4.0;
constexpr int kWidth = 150;
constexpr int kHeight = 18;
}  // namespace

ChangePlot::ChangePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("changePlot"));
    setFixedSize(kWidth, kHeight);
    setToolTip(QStringLiteral("How much each step changed the image (logarithmic)"));
}

QSize ChangePlot::sizeHint() const { return {kWidth, kHeight}; }

void ChangePlot::SetChanges(std::vector<double> changes, int marked) {
    if (changes == changes_ && marked == marked_) return;
    changes_ = std::move(changes);
    marked_ = marked;
    update();
}

void ChangePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (changes_.empty()) return;
    // The plot's width holds every step of the run so far, at least one iteration's.
    const int steps = std::max<int>(int(changes_.size()), kStepsPerIteration);
    const double dx = double(width() - 2) / steps;
    painter.setPen(palette().mid().color());
    for (int end = kStepsPerIteration; end < steps; end += kStepsPerIteration)
        painter.drawLine(QPointF(1 + end * dx, height() - 4), QPointF(1 + end * dx, height() - 1));
    if (marked_ >= 0) {
        painter.setPen(QPen(palette().highlight().color(), 2));
        const double x = 1 + marked_ * kStepsPerIteration * dx;
        painter.drawLine(QPointF(x, 1), QPointF(x, height() - 1));
    }
    double top = 0.0, smallest = HUGE_VAL;
    for (double change : changes_) {
        top = std::max(top, change);
        if (change > 0.0) smallest = std::min(smallest, change);
    }
    if (top <= 0.0) return;
    const double decades = std::clamp(std::log10(top / smallest), kFewestDecades, kMostDecades);
    const double floor = std::log10(top) - decades;
    QPainterPath path;
    for (size_t i = 0; i < changes_.size(); ++i) {
        const double level = changes_[i] > 0.0 ? std::max(std::log10(changes_[i]), floor) : floor;
        const QPointF at(1 + (double(i) + 0.5) * dx, 2 + (height() - 4) * (std::log10(top) - level) / decades);
        if (i == 0) path.moveTo(at);
        else path.lineTo(at);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().text().color(), 1));
    painter.drawPath(path);
}

// The change plot's scale: the course of a run fills the plot's height.
#include <QImage>
#include <QTest>
#include <cmath>

#include "app/change_plot.h"

namespace {

// The topmost and bottommost rows where the line (the text colour) is drawn.
std::pair<int, int> LineRows(ChangePlot& plot) {
    const QImage image = plot.grab().toImage();
    const QColor line = plot.palette().text().color();
    int first = image.height(), last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 2; x < image.width() - 2; ++x)
            if (std::abs(qGray(image.pixel(x, y)) - qGray(line.rgb())) < 60) {
                first = std::min(first, y);
                last = std::max(last, y);
            }
    return {first, last};
}

std::vector<double> Falling(double from, double decades, int steps) {
    std::vector<double> changes;
    for (int k = 0; k < steps; ++k) changes.push_back(from * std::pow(10.0, -decades * k / (steps - 1)));
    return changes;
}

}  // namespace

class ChangePlotTest : public QObject {
    Q_OBJECT
private slots:
    // A run whose change falls by a decade and a bit draws from the plot's
    // top to its bottom; one that falls by a fifth of a decade stays in the
    // upper part, on a scale of one decade.
    void scaleFitsTheChangesDecades() {
        ChangePlot plot;
        plot.SetChanges(Falling(0.03, 1.2, 45), -1);
        auto [top, bottom] = LineRows(plot);
        QVERIFY2(top <= 3 && bottom >= plot.height() - 4,
                 qPrintable(QStringLiteral("line from row %1 to row %2").arg(top).arg(bottom)));

        plot.SetChanges(Falling(0.03, 0.2, 45), -1);
        std::tie(top, bottom) = LineRows(plot);
        QVERIFY2(top <= 3 && bottom <= plot.height() / 2,
                 qPrintable(QStringLiteral("line from row %1 to row %2").arg(top).arg(bottom)));
    }
};

QTEST_MAIN(ChangePlotTest)
#include "tst_change_plot.moc"

#include <QRegularExpression>
#include <cmath>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <memory>

#include "app/dialogs/profile_dialog.h"
#include "app/dialogs/profile_painter.h"
#include "dialog_fixtures.h"
#include "measure/box_stats.h"

namespace {

bool IsRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }
bool IsBlack(QRgb pixel) { return qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) < 60; }

// Whether any pixel of the rectangle (clipped to the picture) is red.
bool HasRed(const QImage& picture, const QRect& area) {
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (IsRed(picture.pixel(x, y))) return true;
    return false;
}

int RedCount(const QImage& picture, const QRect& area) {
    int count = 0;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += IsRed(picture.pixel(x, y)) ? 1 : 0;
    return count;
}

QImage Picture(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

std::unique_ptr<CImage> OneStar() { return StarImage(90, 70, 800, {{45.3, 33.7, 12000, 1.7}}); }

}  // namespace

class ProfileTest : public QObject {
    Q_OBJECT
    std::unique_ptr<PrivateSettings> settings_;

private slots:
    void init() { settings_ = std::make_unique<PrivateSettings>(); }

    // The window plots exactly the headless profile of the click: its samples,
    // and the layout for the window's own client size.
    void plotsTheHeadlessProfile() {
        const auto image = OneStar();
        CProfileDialog dialog(nullptr);
        dialog.resize(300, 200);
        const ProfileResult expected = MeasureProfile(*image, 40, 29, 11);
        dialog.SetProfile(MeasureProfile(*image, 40, 29, 11));

        const ProfileResult& shown = dialog.Profile();
        QCOMPARE(shown.samples.size(), size_t(121));
        QCOMPARE(shown.extent, expected.extent);
        for (size_t i = 0; i < shown.samples.size(); ++i) {
            QVERIFY2(shown.samples[i].distance == expected.samples[i].distance &&
                         shown.samples[i].value == expected.samples[i].value,
                     qPrintable(QStringLiteral("sample %1").arg(i)));
        }
        // The box is centred on the brightest pixel of the search area.
        const PixelPoint peak = BoxPeak(*image, 45, 34, 11);
        QCOMPARE(shown.request.peakColumn, peak.x);
        QCOMPARE(shown.request.peakRow, peak.y);

        const ProfilePlot plot = dialog.CurrentPlot();
        const ProfilePlot layout = LayoutProfilePlot(expected, 300, 200);
        QCOMPARE(plot.points.size(), layout.points.size());
        for (size_t i = 0; i < plot.points.size(); ++i)
            QVERIFY2(plot.points[i].left == layout.points[i].left && plot.points[i].top == layout.points[i].top,
                     qPrintable(QStringLiteral("point %1").arg(i)));
        QCOMPARE(plot.maximumLabel, layout.maximumLabel);
        QCOMPARE(plot.divisionLabel, layout.divisionLabel);
    }

    // Every point is painted in red where the layout puts it, and the plot
    // area away from the points holds no red.
    void paintsPointsWhereLaidOut() {
        const auto image = OneStar();
        CProfileDialog dialog(nullptr);
        dialog.resize(300, 200);
        dialog.SetProfile(MeasureProfile(*image, 40, 29, 11));
        const QImage picture = Picture(dialog);
        const ProfilePlot plot = dialog.CurrentPlot();
        const int originY = 200 - kPlotOriginBottom;
        for (size_t i = 0; i < plot.points.size(); ++i) {
            const ProfilePlotPoint& p = plot.points[i];
            const QRect box(QPoint(kPlotOriginLeft + p.left, originY - p.top),
                            QPoint(kPlotOriginLeft + p.right, originY - p.bottom));
            QVERIFY2(HasRed(picture, box), qPrintable(QStringLiteral("point %1 at (%2, %3)")
                                                          .arg(i).arg(box.center().x()).arg(box.center().y())));
        }
        // The brightest samples sit at the top left; the top right is empty.
        QVERIFY(!HasRed(picture, QRect(kPlotOriginLeft + plot.width * 6 / 10, 12, plot.width * 3 / 10, 40)));
    }

    // Each point is a small red circle covering the 4 x 4 pixels of its box
    // and nothing around it.
    void paintsEachPointInItsBox() {
        ProfilePlot plot;
        plot.width = 200;
        plot.height = 100;
        plot.points = {{18, 52, 22, 48}, {118, 82, 122, 78}};
        QImage picture(253, 130, QImage::Format_RGB32);
        picture.fill(Qt::lightGray);
        {
            QPainter painter(&picture);
            PaintProfilePlot(painter, plot, picture.size());
        }
        const int originY = 130 - kPlotOriginBottom;
        for (const ProfilePlotPoint& p : plot.points) {
            const QRect box(kPlotOriginLeft + p.left, originY - p.top, 4, 4);
            const QString where = QStringLiteral("point at (%1, %2)").arg(box.x()).arg(box.y());
            QVERIFY2(RedCount(picture, box) > 0, qPrintable(where));
            QVERIFY2(RedCount(picture, box.adjusted(-3, -3, 3, 3)) == RedCount(picture, box), qPrintable(where));
        }
    }

    // The grid: lines through the origin and the far corner, long ticks at
    // divisions 0, 5 and 10 reaching 6 pixels past the axis, short ones 3.
    void paintsGridWithTicks() {
        CProfileDialog dialog(nullptr);
        dialog.resize(253, 130);  // a 200 x 100 plot: divisions every 20 and 10 pixels
        const QImage picture = Picture(dialog);
        const int x0 = kPlotOriginLeft, y0 = 130 - kPlotOriginBottom;
        QVERIFY(IsBlack(picture.pixel(x0, y0)));
        QVERIFY(IsBlack(picture.pixel(x0 + 200, y0 - 100)));
        QVERIFY(IsBlack(picture.pixel(x0 + 100, y0 - 55)));  // the middle vertical line
        QVERIFY(!IsBlack(picture.pixel(x0 + 110, y0 - 55)));  // between lines
        QVERIFY(IsBlack(picture.pixel(x0, y0 + 5)));         // long tick under division 0
        QVERIFY(IsBlack(picture.pixel(x0 + 100, y0 + 5)));   // long tick under division 5
        QVERIFY(IsBlack(picture.pixel(x0 + 20, y0 + 2)));    // short tick under division 1
        QVERIFY(!IsBlack(picture.pixel(x0 + 20, y0 + 5)));
        QVERIFY(IsBlack(picture.pixel(x0 - 5, y0 - 50)));    // long tick left of division 5
        QVERIFY(!IsBlack(picture.pixel(x0 - 5, y0 - 10)));   // division 1 has a short tick
    }

    // A star whose box is all one value still paints (on the bottom line) and
    // a new click replaces the plotted star.
    void flatBoxAndReplacement() {
        const auto flat = StarImage(40, 40, 500, {});
        const auto star = OneStar();
        CProfileDialog dialog(nullptr);
        dialog.resize(300, 200);
        dialog.SetProfile(MeasureProfile(*flat, 10, 10, 5));
        QCOMPARE(dialog.Profile().samples.size(), size_t(25));
        const QImage picture = Picture(dialog);
        QVERIFY(HasRed(picture, QRect(kPlotOriginLeft - 3, 200 - kPlotOriginBottom - 3, 8, 7)));

        dialog.SetProfile(MeasureProfile(*star, 40, 29, 3));
        QCOMPARE(dialog.Profile().samples.size(), size_t(9));
    }

    // The window shows the star's FWHM (pixels and arc-seconds), peak and
    // background in the plot's top-right corner; a window without a star
    // shows none.
    void showsTheFiguresOfTheStar() {
        const auto image = StarImage(90, 70, 800, {{45.3, 33.7, 12000, 1.7}});
        CProfileDialog dialog(nullptr);
        dialog.resize(300, 200);
        const QImage empty = Picture(dialog);
        QCOMPARE(dialog.FiguresText(), QString());
        // A box wide enough that its edge is sky, not the star's wings.
        dialog.SetProfile(MeasureProfile(*image, 38, 27, 15));
        const double fwhm = 1.7 * 2.35482;
        QVERIFY(std::abs(dialog.Figures().fwhmPixels - fwhm) < 0.05 * fwhm);
        QVERIFY(std::abs(dialog.Figures().fwhmArcsec - fwhm * 3.6536) < 0.05 * fwhm * 3.6536);
        QVERIFY(std::abs(dialog.Figures().background - 800) <= 3);
        const QStringList lines = dialog.FiguresText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        const QRegularExpression width(QStringLiteral("^FWHM \\d\\.\\d\\d px = \\d+\\.\\d\u2033$"));
        QVERIFY2(width.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("Peak %1").arg(dialog.Profile().request.peakValue));
        QCOMPARE(lines[2], QStringLiteral("Background %1").arg(dialog.Figures().background, 0, 'f', 0));
        // Text where the empty window had only grid and background.
        const QImage shown = Picture(dialog);
        const QRect corner(300 - 10 - 60, 12, 55, 30);
        int changed = 0;
        for (int y = corner.top(); y <= corner.bottom(); ++y)
            for (int x = corner.left(); x <= corner.right(); ++x) changed += shown.pixel(x, y) != empty.pixel(x, y);
        QVERIFY(changed > 50);
    }

    // Closing stores the window's corner and the window goes away.
    void closingStoresCorner() {
        Profile::WriteInt("Profile", "XPos", 30);
        Profile::WriteInt("Profile", "YPos", 40);
        QPointer<CProfileDialog> dialog = new CProfileDialog(nullptr);
        dialog->show();
        QCOMPARE(dialog->pos(), QPoint(30, 40));
        dialog->move(130, 140);
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Profile::GetInt("Profile", "XPos", -1), 130);
        QCOMPARE(Profile::GetInt("Profile", "YPos", -1), 140);
    }
};

QTEST_MAIN(ProfileTest)
#include "profile_test.moc"

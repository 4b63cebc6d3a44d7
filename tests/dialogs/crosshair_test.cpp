#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/dialogs/crosshair_dialog.h"
#include "app/dialogs/tool_window_position.h"
#include "dialog_fixtures.h"
#include "measure/box_stats.h"
#include "measure/star_width.h"

namespace {

QString Field(const CCrosshairDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

QString Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

// A sky with one bright star near the middle and one near the top-left corner.
std::unique_ptr<CImage> TwoStars() {
    return StarImage(80, 60, 1000, {{40.2, 30.4, 8000, 1.5}, {3, 2, 3000, 1.2}});
}

}  // namespace

class CrosshairTest : public QObject {
    Q_OBJECT
    std::unique_ptr<PrivateSettings> settings_;

private slots:
    void init() { settings_ = std::make_unique<PrivateSettings>(); }

    // Every readout is what the measuring functions give at the same position,
    // for positions on a star, at the corners and past the image's edges.
    void readoutsMatchHeadlessMeasurements() {
        const auto image = TwoStars();
        CCrosshairDialog dialog(nullptr, {});
        const int32_t positions[][2] = {{40, 30}, {38, 29}, {0, 0}, {3, 2}, {-5, -3}, {79, 59}, {90, 70}, {75, 58}};
        for (int32_t n : {3, 5, 11, 31}) {
            for (const auto& at : positions) {
                const int32_t x = at[0], y = at[1];
                dialog.UpdateAt(*image, x, y, n);
                const QString where = QStringLiteral("at (%1, %2), box %3").arg(x).arg(y).arg(n);

                const int32_t cx = std::clamp(x, 0, image->Width - 1);
                const int32_t cy = std::clamp(y, 0, image->Height - 1);
                QVERIFY2(Field(dialog, "position") == QStringLiteral("%1, %2").arg(cx + 1).arg(cy + 1),
                         qPrintable(where));
                QVERIFY2(Field(dialog, "value") == QStringLiteral("%1 ").arg(image->At(cx, cy)), qPrintable(where));
                QVERIFY2(Field(dialog, "average") == QString::number(BoxSum(*image, x, y, n) / uint32_t(n * n)),
                         qPrintable(where));
                QVERIFY2(Field(dialog, "noise") == Printf("%3.1f", BoxNoise(*image, x, y, n)), qPrintable(where));

                const PixelPoint peak = BoxPeak(*image, x, y, n);
                const StarWidths widths = StarWidth(*image, peak.x, peak.y, n);
                const double scale = ArcsecPerPixel(image->X_pixel_size, image->Focal_length);
                const QString seeing = Printf("%2.1f", SeeingFromWidth(widths.x, scale)) + QLatin1Char(',') +
                                       Printf("%2.1f", SeeingFromWidth(widths.y, scale));
                QVERIFY2(Field(dialog, "seeing") == seeing, qPrintable(where + QStringLiteral(": ") + seeing));
            }
        }
    }

    // On the bright star the seeing is a real, finite width, not the "no star" zeros.
    void starShowsSeeing() {
        const auto image = TwoStars();
        CCrosshairDialog dialog(nullptr, {});
        dialog.UpdateAt(*image, 40, 30, 11);
        const QStringList parts = Field(dialog, "seeing").split(QLatin1Char(','));
        QCOMPARE(parts.size(), 2);
        // FWHM = 2.355 sigma = 3.5 pixels at 3.65 arc-seconds per pixel.
        QVERIFY2(std::abs(parts[0].toDouble() - 12.9) < 1.5, qPrintable(parts[0]));
        QVERIFY2(std::abs(parts[1].toDouble() - 12.9) < 1.5, qPrintable(parts[1]));
    }

    // The list shows the stored entry and the box size follows it from the
    // start; a pick sets 2 x index + 3, and closing stores the entry and the window's corner.
    void boxChoiceAndClosing() {
        Profile::WriteInt("Crosshairs", "Boxsize", 6);
        Profile::WriteInt("Crosshairs", "XPos", 50);
        Profile::WriteInt("Crosshairs", "YPos", 60);
        std::vector<int32_t> sizes;
        QPointer<CCrosshairDialog> dialog = new CCrosshairDialog(nullptr, [&](int32_t n) { sizes.push_back(n); });
        dialog->show();
        auto* choice = dialog->findChild<QComboBox*>(QStringLiteral("boxSize"));
        QCOMPARE(choice->currentText(), QStringLiteral("15x15"));
        QCOMPARE(dialog->ListIndex(), 6);
        QCOMPARE(sizes, (std::vector<int32_t>{15}));
        QCOMPARE(dialog->pos(), QPoint(50, 60));

        choice->setCurrentIndex(1);
        choice->setCurrentIndex(14);
        QCOMPARE(sizes, (std::vector<int32_t>{15, 5, 31}));

        dialog->move(70, 80);
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(Profile::GetInt("Crosshairs", "Boxsize", -1), 14);
        QCOMPARE(Profile::GetInt("Crosshairs", "XPos", -1), 70);
        QCOMPARE(Profile::GetInt("Crosshairs", "YPos", -1), 80);
    }

    // Escape closes the window for good, as the close box does.
    void escapeClosesAndDeletes() {
        QPointer<CCrosshairDialog> dialog = new CCrosshairDialog(nullptr, {});
        dialog->show();
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(Profile::GetInt("Crosshairs", "Boxsize", -1) == kDefaultBoxChoice);
    }

    // A stored corner counts only when a 20-pixel square there is on the desktop;
    // otherwise the window opens a tenth of the way into the main screen.
    void storedCornerMustBeOnDesktop() {
        const QRect screen(0, 0, 1000, 800);
        const QPoint fallback(100, 80);
        QCOMPARE(ToolWindowCorner(QPoint(0, 0), screen, screen), QPoint(0, 0));
        QCOMPARE(ToolWindowCorner(QPoint(980, 780), screen, screen), QPoint(980, 780));
        QCOMPARE(ToolWindowCorner(QPoint(981, 100), screen, screen), fallback);
        QCOMPARE(ToolWindowCorner(QPoint(100, 781), screen, screen), fallback);
        QCOMPARE(ToolWindowCorner(QPoint(-1, 100), screen, screen), fallback);
        QCOMPARE(ToolWindowCorner(QPoint(100, -1), screen, screen), fallback);
        // A second monitor left of the main one keeps windows placed on it.
        const QRect desktop(-1280, 0, 2280, 800);
        QCOMPARE(ToolWindowCorner(QPoint(-600, 100), desktop, screen), QPoint(-600, 100));
    }

    // A corner left on a monitor that is gone brings the window back on screen.
    void offScreenCornerIsReplaced() {
        Profile::WriteInt("Crosshairs", "XPos", 100000);
        Profile::WriteInt("Crosshairs", "YPos", 5);
        CCrosshairDialog dialog(nullptr, {});
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(dialog.pos(), screen.topLeft() + QPoint(screen.width() / 10, screen.height() / 10));
    }
};

QTEST_MAIN(CrosshairTest)
#include "crosshair_test.moc"

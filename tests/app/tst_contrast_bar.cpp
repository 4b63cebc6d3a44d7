// The contrast bar: its step buttons, typing and Auto, validation, what it
// sends to the main window, the drag pad, and the settings it keeps.
#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "app/contrast_bar.h"
#include "app/contrast_steps.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app_harness.h"
#include "platform/qt/profile.h"

namespace {

QLineEdit* Edit(CContrastBar& bar, const char* name) { return bar.findChild<QLineEdit*>(QString::fromLatin1(name)); }
QCheckBox* Box(CContrastBar& bar, const char* name) { return bar.findChild<QCheckBox*>(QString::fromLatin1(name)); }

void PressStep(CContrastBar& bar, int id) {
    QWidget* button = bar.findChild<QWidget*>(QStringLiteral("step%1").arg(id));
    QVERIFY2(button, qPrintable(QStringLiteral("no step button %1").arg(id)));
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class ContrastBarTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    void stepButtons_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("back 1000 DDN") << int(CContrastBar::kBackDdn) << 1000 << 899;
        QTest::newRow("back 1000 DUP") << int(CContrastBar::kBackDup) << 1000 << 1101;
        QTest::newRow("back 1000 SDN") << int(CContrastBar::kBackSdn) << 1000 << 989;
        QTest::newRow("back 1000 SUP") << int(CContrastBar::kBackSup) << 1000 << 1011;
        QTest::newRow("back 0 DUP") << int(CContrastBar::kBackDup) << 0 << 1;
        QTest::newRow("back 0 DDN") << int(CContrastBar::kBackDdn) << 0 << -1;
        QTest::newRow("back -1000 DDN") << int(CContrastBar::kBackDdn) << -1000 << -901;
        QTest::newRow("back 65000 DUP") << int(CContrastBar::kBackDup) << 65000 << 65535;
        QTest::newRow("back -65000 DUP") << int(CContrastBar::kBackDup) << -65000 << -65535;
        QTest::newRow("range 16 DDN") << int(CContrastBar::kRangeDdn) << 16 << 16;
        QTest::newRow("range 65536 SUP") << int(CContrastBar::kRangeSup) << 65536 << 65536;
        QTest::newRow("range 1000 DUP") << int(CContrastBar::kRangeDup) << 1000 << 1101;
    }
    // Each step adds a tenth or a hundredth of the signed value plus one in
    // its direction, then clamps; the result shows in the edit.
    void stepButtons() {
        QFETCH(int, button);
        QFETCH(int, before);
        QFETCH(int, after);
        CContrastBar& bar = *harness_->App().ContrastBar();
        const bool back = button <= CContrastBar::kBackSup;
        bar.LoadSettings(DisplaySettings{back ? before : 100, back ? 1000 : before, 0, 0, 0, 2});
        PressStep(bar, button);
        QCOMPARE(back ? bar.m_back : bar.m_range, after);
        QCOMPARE(Edit(bar, back ? "back" : "range")->text(), QString::number(after));
    }

    // A back step or typing unticks Auto; a range step does not; a settings
    // load from the program keeps the Auto it is given.
    void autoUnticking() {
        CContrastBar& bar = *harness_->App().ContrastBar();
        bar.LoadSettings(DisplaySettings{500, 1000, 0, 1, 0, 2});
        QVERIFY(Box(bar, "auto")->isChecked());
        PressStep(bar, CContrastBar::kRangeDup);
        QVERIFY2(Box(bar, "auto")->isChecked(), "a range step unticked Auto");
        PressStep(bar, CContrastBar::kBackSup);
        QVERIFY2(!Box(bar, "auto")->isChecked(), "a back step left Auto ticked");
        QCOMPARE(bar.m_auto, 0);
        bar.LoadSettings(DisplaySettings{700, 1000, 0, 1, 0, 2});
        QVERIFY(Box(bar, "auto")->isChecked());
        QTest::keyClick(Edit(bar, "range"), Qt::Key_5);
        QVERIFY2(!Box(bar, "auto")->isChecked(), "typing left Auto ticked");
    }

    // Apply sends all six settings; ticking Auto sends, unticking does not;
    // a value out of range is refused with a message and nothing is sent.
    void whatTheBarSends() {
        CContrastBar& bar = *harness_->App().ContrastBar();
        bar.show();
        QSignalSpy applied(&bar, &CContrastBar::applySettings);
        bar.LoadSettings(DisplaySettings{300, 2000, 1, 0, 1, 4});
        bar.OnApply();
        QCOMPARE(applied.size(), 1);
        QCOMPARE(applied[0][0].value<DisplaySettings>(), (DisplaySettings{300, 2000, 1, 0, 1, 4}));
        QTest::mouseClick(Box(bar, "auto"), Qt::LeftButton);
        QCOMPARE(applied.size(), 2);
        QCOMPARE(applied[1][0].value<DisplaySettings>().autoContrast, 1);
        QTest::mouseClick(Box(bar, "auto"), Qt::LeftButton);
        QCOMPARE(applied.size(), 2);
        QTest::mouseClick(Box(bar, "invert"), Qt::LeftButton);
        QCOMPARE(applied.size(), 3);

        Edit(bar, "range")->setText(QStringLiteral("15"));
        bar.OnApply();
        Edit(bar, "back")->setText(QStringLiteral("7x"));
        bar.OnApply();
        QCOMPARE(applied.size(), 3);
        QCOMPARE(harness_->messages.size(), size_t(2));
        QCOMPARE(harness_->messages[0].text, std::string("Please enter an integer between 16 and 65536."));
        QCOMPARE(harness_->messages[1].text, std::string("Please enter an integer."));
        QCOMPARE(ZoomOfMagIndex(2), 2);
        QCOMPARE(ZoomOfMagIndex(-1), 2);
        QCOMPARE(ZoomOfMagIndex(7), 2);
    }

    // A drag on the pad sends the press point minus the current point; the
    // marker stays inside the pad; a drag back to the press point gives the
    // main window the default window (32, 96); the release sends a drop.
    void dragPad() {
        CQuorvaneApp& app = harness_->App();
        harness_->Open(harness_->WriteImage(QStringLiteral("d.qv4"), 60, 40));
        CContrastBar& bar = *app.ContrastBar();
        QSignalSpy drags(&bar, &CContrastBar::contrastDrag);
        QSignalSpy drops(&bar, &CContrastBar::contrastDrop);
        const QRect pad = bar.PadRect();
        const QPoint press = pad.center();
        QTest::mousePress(&bar, Qt::LeftButton, {}, press);
        QVERIFY(bar.IsDragging());
        const QPoint centre((pad.left() + pad.left() + pad.width()) / 2 - 1, (pad.top() + pad.top() + pad.height()) / 2 - 1);
        QCOMPARE(bar.MarkerPoint(), centre);
        QTest::mouseMove(&bar, press + QPoint(30, -9));
        QCOMPARE(drags.last()[0].toInt(), -30);
        QCOMPARE(drags.last()[1].toInt(), 9);
        QCOMPARE(bar.MarkerPoint(), centre + QPoint(10, -3));
        QTest::mouseMove(&bar, press + QPoint(900, 900));
        QCOMPARE(bar.MarkerPoint(), QPoint(pad.left() + pad.width() - 2, pad.top() + pad.height() - 2));
        QTest::qWait(10);
        QVERIFY(!(app.MainFrame()->CurrentDragWindow() == DragWindow{}));
        QTest::mouseMove(&bar, press);
        QTest::qWait(10);
        QCOMPARE(app.MainFrame()->CurrentDragWindow(), (DragWindow{32, 96}));
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, press);
        QVERIFY(!bar.IsDragging());
        QCOMPARE(drops.size(), 1);

        QTest::mousePress(&bar, Qt::LeftButton, {}, pad.topLeft() - QPoint(5, 5));
        QVERIFY2(!bar.IsDragging(), "a press outside the pad started a drag");
    }

    // A drop folds the drag window into back and range and clears Auto; a
    // release without a drag keeps back and range.
    void dropUpdatesTheImage() {
        CQuorvaneApp& app = harness_->App();
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("e.qv4"), 60, 40));
        CContrastBar& bar = *app.ContrastBar();
        DisplaySettings start{1000, 2000, 0, 1, 0, 2};
        document->Image().display = start;
        app.MainFrame()->OnContrastDrag(0, 32);
        app.MainFrame()->OnContrastDrop();
        QCOMPARE(document->Back(), 1000 + 2000 * (0 - 32) / 64);
        QCOMPARE(document->Range(), 2000);
        QCOMPARE(document->Image().display.autoContrast, 0);
        QCOMPARE(bar.m_back, document->Back());
        const DisplaySettings settled = document->Image().display;
        app.MainFrame()->OnContrastDrop();
        QCOMPARE(document->Image().display, settled);
    }

    // Escape closes the bar and stores its choices and corner; a stored
    // corner off the screen is replaced by a tenth of the screen size.
    void settingsAndPlacement() {
        CContrastBar* bar = harness_->App().ContrastBar();
        bar->LoadSettings(DisplaySettings{0, 100, 1, 0, 1, 2});
        bar->move(40, 60);
        bar->show();
        QTest::keyClick(bar, Qt::Key_Escape);
        QTest::qWait(10);
        QVERIFY(!harness_->App().ContrastBar());
        QCOMPARE(Profile::GetInt("Contrast", "Smooth", -1), 1);
        QCOMPARE(Profile::GetInt("Contrast", "Invert", -1), 1);
        QCOMPARE(Profile::GetInt("Contrast", "Auto", -1), 0);

        CContrastBar reopened(nullptr);
        QCOMPARE(reopened.m_smooth, 1);
        QCOMPARE(reopened.m_invert, 1);
        Profile::WriteInt("Contrast", "XPos", 100000);
        CContrastBar offScreen(nullptr);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(offScreen.pos(), QPoint(screen.width() / 10, screen.height() / 10));

        // The next image brings a closed bar back.
        harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), 60, 40));
        QVERIFY(harness_->App().ContrastBar());
        QVERIFY(harness_->App().ContrastBar()->isVisible());
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(ContrastBarTest)
#include "tst_contrast_bar.moc"

// Conveniences of the image window: the status bar's pixel readout, zooming
// about the mouse or the window's middle, Fit to Window, the contrast bar
// reopened from the View menu and its levels following the drag pad.
#include <QLineEdit>
#include <QMdiArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/child_frame.h"
#include "app/commands.h"
#include "app/contrast_bar.h"
#include "app/display/contrast_drag.h"
#include "app/main_frame.h"
#include "app/pixel_readout.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/view_zoom.h"
#include "app_harness.h"
#include "image/image.h"
#include "platform/qt/profile.h"
#include "app/prompts.h"

namespace {

uint16_t Ramp(int x, int y) { return uint16_t(x * 100 + y); }

void Wheel(CQuorvaneView& view, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent wheel(QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
}

int32_t ZoomOf(const CQuorvaneView& view) { return view.GetDocument().Image().display.zoom; }

}  // namespace

class ConveniencesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // The readout names the pixel under the mouse and its value, at any zoom;
    // it goes blank off the image and when the window closes.
    void readoutFollowsTheMouse() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("r.qv4"), 40, 30, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* main = harness_->App().MainFrame();
        QTest::mouseMove(view->viewport(), view->ImageToViewport({7, 5}) + QPoint(0, 0));
        QCOMPARE(main->PixelReadout(), QStringLiteral("X: 7  Y: 5  Value: 705"));
        // New pixels under a mouse that stays put (a run's redisplay) show at once.
        document->Image().pixels[5 * 40 + 7] = 4242;
        view->ReapplyDisplaySettings();
        QCOMPARE(main->PixelReadout(), QStringLiteral("X: 7  Y: 5  Value: 4242"));
        view->ApplyDisplaySettings([&] { DisplaySettings s = view->ShownSettings(); s.zoom = 4; return s; }());
        QTest::mouseMove(view->viewport(), view->ImageToViewport({12, 3}) + QPoint(3, 3));
        QCOMPARE(main->PixelReadout(), QStringLiteral("X: 12  Y: 3  Value: 1203"));

        QCOMPARE(PixelReadoutText(document->Image(), {40, 3}), QString());
        QCOMPARE(PixelReadoutText(document->Image(), {-1, 3}), QString());
        QCOMPARE(PixelReadoutText(document->Image(), {39, 29}, false), QStringLiteral("X: 39  Y: 29  Value: busy"));

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(harness_->FrameOf(*document), &leave);
        QCOMPARE(main->PixelReadout(), QString());
        QTest::mouseMove(view->viewport(), view->ImageToViewport({1, 1}));
        QVERIFY(!main->PixelReadout().isEmpty());
        harness_->FrameOf(*document)->close();
        QCOMPARE(main->PixelReadout(), QString());
    }

    // Ctrl+wheel steps the Mag level about the mouse: the pixel under it stays
    // under it, in and out; the bar's Mag follows; a plain wheel only scrolls.
    void ctrlWheelZoomsAboutTheMouse() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("z.qv4"), 1600, 1400, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        view->horizontalScrollBar()->setValue(200);
        view->verticalScrollBar()->setValue(150);
        const QPoint mouse(300, 200);
        const QPoint pixel = view->ViewportToImage(mouse);
        Wheel(*view, mouse, 120, Qt::ControlModifier);
        QCOMPARE(ZoomOf(*view), 3);
        QCOMPARE(view->ViewportToImage(mouse), pixel);
        Wheel(*view, mouse, 120, Qt::ControlModifier);
        QCOMPARE(ZoomOf(*view), 4);
        QCOMPARE(view->ViewportToImage(mouse), pixel);
        QCOMPARE(harness_->App().ContrastBar()->m_mag, 4);
        // Half notches add up to one step.
        Wheel(*view, mouse, -60, Qt::ControlModifier);
        QCOMPARE(ZoomOf(*view), 4);
        Wheel(*view, mouse, -60, Qt::ControlModifier);
        QCOMPARE(ZoomOf(*view), 3);
        QCOMPARE(view->ViewportToImage(mouse), pixel);
        // At the last level a further step changes nothing.
        Wheel(*view, mouse, 240, Qt::ControlModifier);
        Wheel(*view, mouse, 240, Qt::ControlModifier);
        QCOMPARE(ZoomOf(*view), 4);

        Wheel(*view, mouse, -120, Qt::NoModifier);
        QCOMPARE(ZoomOf(*view), 4);
    }

    // The zoom keys and commands step about the middle of the window; the
    // commands are disabled at the end levels.
    void keysZoomAboutTheMiddle() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("k.qv4"), 1600, 1400, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* main = harness_->App().MainFrame();
        view->verticalScrollBar()->setValue(100);
        const QPoint middle = view->viewport()->rect().center();
        const QPoint pixel = view->ViewportToImage(middle);
        main->OnCommand(Cmd::ViewZoomIn);
        QCOMPARE(ZoomOf(*view), 3);
        QCOMPARE(view->ViewportToImage(middle), pixel);
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(view, Qt::Key_Plus);
        QCOMPARE(ZoomOf(*view), 4);
        QVERIFY(!main->QueryCommand(Cmd::ViewZoomIn).enabled);
        QTest::keyClick(view, Qt::Key_Minus);
        QTest::keyClick(view, Qt::Key_Minus);
        QTest::keyClick(view, Qt::Key_Minus);
        QTest::keyClick(view, Qt::Key_Minus);
        QCOMPARE(ZoomOf(*view), 0);
        QVERIFY(!main->QueryCommand(Cmd::ViewZoomOut).enabled);
        QVERIFY(main->QueryCommand(Cmd::ViewZoomIn).enabled);
    }

    // Fit to Window picks the largest level at which the whole image shows:
    // no scroll bars, and one level up would not fit.
    void fitToWindowShowsTheWholeImage() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), 1500, 1300, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CChildFrame* frame = harness_->FrameOf(*document);
        frame->move(40, 40);
        harness_->App().MainFrame()->OnCommand(Cmd::ViewFitToWindow);
        const int32_t zoom = ZoomOf(*view);
        QVERIFY(zoom < 2);
        QCOMPARE(frame->pos(), QPoint(0, 0));
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        const QSize room = frame->mdiArea()->viewport()->size();
        QVERIFY(ZoomedLength(1500, zoom + 1) + 12 > room.width() || ZoomedLength(1300, zoom + 1) + 31 > room.height());

        QCOMPARE(FittingZoom(100, 100, QSize(400, 400)), 4);
        QCOMPARE(FittingZoom(100, 100, QSize(399, 400)), 3);
        QCOMPARE(FittingZoom(4000, 100, QSize(400, 400)), 0);
    }

    // The View menu closes and reopens the contrast bar; reopened (or made
    // again by the next open) it shows the active image's levels, not the
    // new bar's 0 and 65535.
    void contrastBarReopensWithTheImageLevels() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("c.qv4"), 40, 30, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* main = harness_->App().MainFrame();
        DisplaySettings levels = view->ShownSettings();
        levels.back = 321;
        levels.range = 654;
        view->ApplyDisplaySettings(levels);
        QVERIFY(main->QueryCommand(Cmd::ViewContrastBar).checked);
        main->OnCommand(Cmd::ViewContrastBar);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!harness_->App().ContrastBar());
        QVERIFY(!main->QueryCommand(Cmd::ViewContrastBar).checked);
        main->OnCommand(Cmd::ViewContrastBar);
        CContrastBar* bar = harness_->App().ContrastBar();
        QVERIFY(bar && bar->isVisible());
        QVERIFY(main->QueryCommand(Cmd::ViewContrastBar).checked);
        QCOMPARE(bar->m_back, 321);
        QCOMPARE(bar->findChild<QLineEdit*>(QStringLiteral("range"))->text(), QStringLiteral("654"));

        // Escape, then another image: the new bar shows that image's levels.
        bar->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CQuorvaneDoc* second = harness_->Open(harness_->WriteImage(QStringLiteral("d.qv4"), 40, 30, Ramp));
        QCOMPARE(harness_->App().ContrastBar()->m_back, second->Image().display.back);
        QCOMPARE(harness_->App().ContrastBar()->m_range, second->Image().display.range);
    }

    // While the pad is dragged, Back and Range show what the drop will set.
    void dragPadLevelsShowLive() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("p.qv4"), 40, 30, Ramp));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CContrastBar& bar = *harness_->App().ContrastBar();
        const QPoint press = bar.PadRect().center();
        QTest::mousePress(&bar, Qt::LeftButton, {}, press);
        QTest::mouseMove(&bar, press + QPoint(30, -9));
        QTest::qWait(10);
        const DisplaySettings expected = ContrastDrop(view->ShownSettings(), ContrastDrag(-30, 9));
        QCOMPARE(bar.findChild<QLineEdit*>(QStringLiteral("back"))->text(), QString::number(expected.back));
        QCOMPARE(bar.findChild<QLineEdit*>(QStringLiteral("range"))->text(), QString::number(expected.range));
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, press + QPoint(30, -9));
        QTest::qWait(10);
        QCOMPARE(document->Image().display.back, expected.back);
        QCOMPARE(document->Image().display.range, expected.range);
    }

    // File Open lists "All supported images" first, holding every native and
    // FITS pattern; the stored filter numbers keep their meaning.
    void openFiltersListAllSupportedFirst() {
        const QStringList filters = OpenFileFilters();
        QCOMPARE(filters.size(), 4);
        QVERIFY(filters[0].startsWith(QStringLiteral("All supported images (")));
        for (const QString& pattern : {QStringLiteral("*.qvz"), QStringLiteral("*.qvw"), QStringLiteral("*.fit"),
                                       QStringLiteral("*.fits")})
            QVERIFY2(filters[0].contains(pattern), qPrintable(pattern));
        QVERIFY(filters[1].startsWith(QStringLiteral("KESL Image Files")));
        QVERIFY(filters[2].startsWith(QStringLiteral("FITS Image Files")));
        QVERIFY(filters[3].startsWith(QStringLiteral("All files")));
        for (int stored = 1; stored <= 4; ++stored) QCOMPARE(OpenFilterIndex(OpenFilterPlace(stored)), stored);
        QCOMPARE(OpenFilterPlace(1), 1);  // the written default still names the native filter
        QCOMPARE(OpenFilterPlace(4), 0);
    }

    // Save As puts its target first in the recent-file list, stored at once.
    void saveAsTargetJoinsRecentFiles() {
        const QString original = harness_->WriteImage(QStringLiteral("orig.qv4"), 20, 10, Ramp);
        CQuorvaneDoc* document = harness_->Open(original);
        harness_->saveAsAnswer = harness_->Folder() + QStringLiteral("/copy.fits");
        harness_->saveAsFilter = 2;
        QVERIFY(document->DoSaveAs());
        const QStringList& files = harness_->App().RecentFiles().Files();
        QCOMPARE(files.value(0), harness_->saveAsAnswer);
        QCOMPARE(files.value(1), original);
        QCOMPARE(Profile::GetString("Recent File List", "File1"), harness_->saveAsAnswer);
        // A cancelled Save As adds nothing.
        harness_->saveAsAnswer.clear();
        QVERIFY(!document->DoSaveAs());
        QCOMPARE(harness_->App().RecentFiles().Files().size(), 2);
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(ConveniencesTest)
#include "tst_conveniences.moc"

// The image window driven as a person would: opening, zoom and the size
// limit of its frame, the clicks of each mode, Clean Image and the flips.
#include <QMdiArea>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app_harness.h"

namespace {

// Where an image pixel lies in the view's viewport (the view not scrolled).
QPoint ViewportPointOf(CQuorvaneView& view, int x, int y) { return view.ImageToViewport({x, y}); }

void ClickImage(CQuorvaneView& view, int x, int y) {
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, ViewportPointOf(view, x, y));
}

// Stand-ins for the tool windows, counting what the shell asks of them.
class FakeCrosshairs : public QWidget, public CrosshairWindow {
public:
    QWidget* Widget() override { return this; }
    void ShowReadouts(CQuorvaneView&, int32_t, int32_t) override { ++readouts; }
    int32_t ListBoxSize() const override { return 7; }
    int readouts = 0;
};

class FakeProfile : public QWidget, public ProfileWindow {
public:
    QWidget* Widget() override { return this; }
    void Refresh() override { ++refreshes; }
    int refreshes = 0;
};

DisplaySettings WithZoom(const CQuorvaneDoc& document, int zoom) {
    DisplaySettings settings = document.Image().display;
    settings.zoom = zoom;
    return settings;
}

}  // namespace

class ImageWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // No image at start: the small menu and no contrast bar; opening the
    // sample gives the image menu, the bar with the image's levels and a
    // filled display bitmap.
    void openingTheSample() {
        CQuorvaneApp& app = harness_->App();
        QCOMPARE(app.MainFrame()->CurrentMenu(), MainMenu::noImage);
        QVERIFY(!app.ContrastBar()->isVisible());
        CQuorvaneDoc* document = harness_->Open(QStringLiteral(QV_SAMPLE_IMAGE));
        QVERIFY(document);
        QCOMPARE(app.MainFrame()->CurrentMenu(), MainMenu::imageOpen);
        QVERIFY(app.ContrastBar()->isVisible());
        QCOMPARE(app.ContrastBar()->m_back, document->Back());
        QCOMPARE(app.ContrastBar()->m_range, document->Range());
        QVERIFY(document->Bitmap().IsCreated());
        QCOMPARE(document->Bitmap().Width(), document->Image().Width);
        QVERIFY(!document->IsModified());
    }

    // The frame can grow only to the image at its zoom plus its edges, and
    // follows every zoom step.
    void frameSizeLimitFollowsZoom() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("a.qv4"), 500, 400));
        QVERIFY(document);
        CChildFrame* frame = harness_->FrameOf(*document);
        CQuorvaneView* view = harness_->ViewOf(*document);
        QCOMPARE(frame->maximumSize(), QSize(512, 431));
        const QSize expected[] = {{125 + 12, 100 + 31}, {250 + 12, 200 + 31}, {512, 431}, {1012, 831}, {2012, 1631}};
        for (int zoom = 0; zoom < 5; ++zoom) {
            view->ApplyDisplaySettings(WithZoom(*document, zoom));
            QCOMPARE(frame->maximumSize(), expected[zoom]);
        }
        view->ApplyDisplaySettings(WithZoom(*document, 2));
        frame->resize(2000, 2000);
        QVERIFY2(frame->width() <= 512 && frame->height() <= 431, "the frame outgrew its image");
        frame->showMaximized();
        QTest::qWait(10);
        QVERIFY2(frame->width() <= 512 && frame->height() <= 431, "a maximized frame outgrew its image");
        frame->showNormal();
        // At its fitted size the whole image shows without scroll bars.
        view->FitFrame();
        QTest::qWait(10);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    }

    // Select PSFs: a click 4 pixels from a star removes it, 5 pixels away
    // adds a second one; with two stars near the click only the first goes.
    void pickingAndUnpickingStars() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("b.qv4"), 300, 200));
        CQuorvaneView* view = harness_->ViewOf(*document);
        harness_->App().SetClickMode(kSelectPsfs);
        ClickImage(*view, 100, 100);
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{100, 100}}));
        ClickImage(*view, 104, 100);
        QVERIFY2(document->Stars().empty(), "a click 4 px away did not unpick the star");
        ClickImage(*view, 100, 100);
        ClickImage(*view, 105, 100);
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{100, 100}, {105, 100}}));
        ClickImage(*view, 103, 100);
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{105, 100}}));
        QVERIFY2(!document->IsModified(), "picking stars marked the image modified");
    }

    // Select Area: a rectangle dragged up and to the left is stored sorted;
    // a click without moving leaves no selection; at 1:4 one window pixel
    // moves the corner by four image pixels.
    void draggingTheSelection() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("c.qv4"), 400, 300));
        CQuorvaneView* view = harness_->ViewOf(*document);
        harness_->App().SetClickMode(kSelectArea);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(view->IsDragging());
        QTest::mouseMove(view->viewport(), QPoint(120, 90));
        QTest::mouseMove(view->viewport(), QPoint(50, 40));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(50, 40));
        QVERIFY(view->HasSelection());
        QCOMPARE(view->Selection(), (SelectionRect{50, 40, 200, 150}));

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(70, 70));
        QVERIFY2(!view->HasSelection(), "a click without moving left a selection");

        view->ApplyDisplaySettings(WithZoom(*document, 0));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(view->viewport(), QPoint(20, 20));
        QCOMPARE(view->Selection().right, 80);
        QTest::mouseMove(view->viewport(), QPoint(21, 20));
        QCOMPARE(view->Selection().right, 84);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(21, 20));
        QCOMPARE(view->Selection(), (SelectionRect{40, 40, 84, 80}));
    }

    // Clean Image empties the star list and removes the rectangle without
    // marking the image modified; with neither it is unavailable.
    void cleanImage() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("d.qv4"), 300, 200));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        QVERIFY(!frame->QueryCommand(Cmd::CleanImage).enabled);
        harness_->App().SetClickMode(kSelectPsfs);
        ClickImage(*view, 50, 50);
        QVERIFY(frame->QueryCommand(Cmd::CleanImage).enabled);
        harness_->App().SetClickMode(kSelectArea);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(view->viewport(), QPoint(90, 60));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(90, 60));
        frame->OnCommand(Cmd::CleanImage);
        QVERIFY(document->Stars().empty());
        QVERIFY(!view->HasSelection());
        QVERIFY(!document->IsModified());
        QVERIFY(!frame->QueryCommand(Cmd::CleanImage).enabled);
    }

    // Flipping twice restores the pixels but leaves the image modified;
    // picked stars are back where they were.
    void flipsKeepStarsAndMarkModified() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(
            QStringLiteral("e.qv4"), 40, 30, [](int x, int y) { return uint16_t(x * 100 + y); }));
        document->AddStar({3, 4});
        const std::vector<uint16_t> original = document->Image().pixels;
        CMainFrame* frame = harness_->App().MainFrame();
        frame->OnCommand(Cmd::FlipHorizontal);
        QCOMPARE(document->Image().At(0, 0), uint16_t(39 * 100));
        QVERIFY(document->IsModified());
        frame->OnCommand(Cmd::FlipHorizontal);
        frame->OnCommand(Cmd::FlipVertical);
        frame->OnCommand(Cmd::FlipVertical);
        QVERIFY(document->Image().pixels == original);
        QVERIFY(document->IsModified());
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{3, 4}}));
    }

    // Select Profiles: a click opens the crosshair window when it is closed,
    // measures the star at the cursor with the window's box size, and makes
    // the profile window once, refreshing it on later clicks.
    void profileClicks() {
        CQuorvaneApp& app = harness_->App();
        FakeCrosshairs* crosshairs = nullptr;
        FakeProfile* profile = nullptr;
        app.Extensions().createCrosshairWindow = [&](QWidget*) { return crosshairs = new FakeCrosshairs; };
        app.Extensions().createProfileWindow = [&](QWidget*) { return profile = new FakeProfile; };
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(
            QStringLiteral("p.qv4"), 80, 60, [](int x, int y) { return uint16_t(x == 30 && y == 20 ? 9000 : 1000); }));
        CQuorvaneView* view = harness_->ViewOf(*document);
        app.SetClickMode(kSelectProfiles);
        ClickImage(*view, 28, 18);
        QVERIFY(crosshairs && profile);
        QVERIFY(app.hasProfileSamples);
        QCOMPARE(app.profileSamples.request.boxWidth, 7);
        QCOMPARE(app.profileSamples.request.peakColumn, 30);
        QCOMPARE(app.profileSamples.request.peakRow, 20);
        QCOMPARE(app.profileSamples.samples.size(), size_t(49));
        FakeProfile* first = profile;
        ClickImage(*view, 60, 40);
        QCOMPARE(profile, first);
        QCOMPARE(first->refreshes, 1);
        QTest::mouseMove(view->viewport(), QPoint(10, 10));
        QVERIFY(crosshairs->readouts > 0);
        delete crosshairs;
        delete profile;
    }

    // The mouse over the frame's edge above the image counts as row 0.
    void cursorOverTheBorderClipsToTheImage() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), 300, 200));
        CChildFrame* frame = harness_->FrameOf(*document);
        CQuorvaneView* view = harness_->ViewOf(*document);
        QTest::mouseMove(view->viewport(), QPoint(120, 80));
        QCOMPARE(frame->CursorPosition(), QPoint(120, 80));
        const QPoint aboveImage = view->viewport()->mapTo(frame, QPoint(60, 0)) - QPoint(0, 6);
        QTest::mouseMove(frame, aboveImage);
        QCOMPARE(frame->CursorPosition(), QPoint(60, 0));
    }

    // The context menu lists the image commands with their current states.
    void contextMenuStates() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("g.qv4"), 100, 100));
        CQuorvaneView* view = harness_->ViewOf(*document);
        std::unique_ptr<QMenu> menu(view->BuildContextMenu(nullptr));
        QStringList texts;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) texts << action->text();
        }
        QCOMPARE(texts, (QStringList{"&Abort L-R", "&Start L-R", "Select PSFs", "Select Area", "Select Profiles",
                                     "&Clean Image", "Flip &Horz", "Flip &Vert", "&Parameters", "&Modifications"}));
        QAction* profiles = menu->actions()[5];
        QVERIFY(profiles->isChecked());
        QVERIFY(!menu->actions()[1]->isEnabled());
    }

    // The contrast bar's Apply remaps the active image with its levels.
    void applyRemapsTheActiveImage() {
        CQuorvaneDoc* document = harness_->Open(
            harness_->WriteImage(QStringLiteral("h.qv4"), 20, 10, [](int, int) { return uint16_t(1100); }));
        CContrastBar* bar = harness_->App().ContrastBar();
        bar->LoadSettings(DisplaySettings{100, 1000, 0, 0, 0, 2});
        bar->OnApply();
        QTest::qWait(10);
        QCOMPARE(document->Back(), 100);
        QCOMPARE(int(document->Bitmap().Row(0)[0]), 96);
        bar->LoadSettings(DisplaySettings{1100, 1000, 0, 0, 0, 2});
        bar->OnApply();
        QTest::qWait(10);
        QCOMPARE(int(document->Bitmap().Row(0)[0]), 32);
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(ImageWindowTest)
#include "tst_image_window.moc"

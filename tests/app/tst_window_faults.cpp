// Faults of the image window met in use: marks left behind by a flip, the
// contrast bar taking another image's levels, the crosshair's first box
// size, Save As formats, captions and the message pane, window placement,
// readings of a closed image, and help without a browser.
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app_harness.h"
#include "image/image.h"
#include "platform/archive.h"

namespace {

void DragSelection(CQuorvaneView& view, QPoint from, QPoint to) {
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.ImageToViewport(from));
    QTest::mouseMove(view.viewport(), view.ImageToViewport(to));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, view.ImageToViewport(to));
}

// A crosshair window that counts what the shell asks of it.
class CountingCrosshairs : public QWidget, public CrosshairWindow {
public:
    QWidget* Widget() override { return this; }
    void ShowReadouts(CQuorvaneView&, int32_t, int32_t) override { ++readouts; }
    int32_t ListBoxSize() const override { return 5; }
    void ClearReadouts() override { ++clears; }
    int readouts = 0;
    int clears = 0;
};

// The format a file on disk holds, as the program reads it.
int32_t FileTypeOnDisk(const QString& path) {
    CImage image;
    CArchive archive(QFile::encodeName(path).toStdString(), CArchive::load);
    image.Serialize(archive);
    return image.fileType;
}

// What an independent FITS reader makes of the file: "w h" of its primary image.
QString AstropyShape(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys; from astropy.io import fits; d = fits.getdata(sys.argv[1]); "
                                 "print(d.shape[1], d.shape[0])"),
                  path});
    if (!python.waitForFinished(60000)) return QStringLiteral("astropy did not finish");
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed() +
           QString::fromUtf8(python.readAllStandardError()).trimmed();
}

}  // namespace

class WindowFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // Each flip carries the picked stars and the selection with the sky:
    // after it they still sit on the same pixels' values.
    void flipsMoveStarsAndSelection() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(
            QStringLiteral("f.qv4"), 40, 30, [](int x, int y) { return uint16_t(x * 100 + y); }));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectArea);
        DragSelection(*view, {5, 6}, {15, 20});
        QCOMPARE(view->Selection(), (SelectionRect{5, 6, 15, 20}));
        document->AddStar({3, 4});
        document->AddStar({39, 0});
        const uint16_t starValue = document->Image().At(3, 4);

        frame->OnCommand(Cmd::FlipHorizontal);
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{36, 4}, {0, 0}}));
        QCOMPARE(document->Image().At(36, 4), starValue);
        QCOMPARE(view->Selection(), (SelectionRect{25, 6, 35, 20}));
        QVERIFY(view->HasSelection());

        frame->OnCommand(Cmd::FlipVertical);
        QCOMPARE(document->Stars(), (std::vector<StarPoint>{{36, 25}, {0, 29}}));
        QCOMPARE(document->Image().At(36, 25), starValue);
        QCOMPARE(view->Selection(), (SelectionRect{25, 10, 35, 24}));
        // The selection still covers the same pixels: its corner pixel's value is the original's.
        QCOMPARE(document->Image().At(34, 23), uint16_t(5 * 100 + 6));
    }

    // A maximized, changed image's title carries no "[*]" into the main
    // window; the change shows as a "*" after the name.
    void maximizedTitleShowsNoPlaceholder() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("t.qv4"), 40, 30));
        CChildFrame* frame = harness_->FrameOf(*document);
        QCOMPARE(frame->windowTitle(), QStringLiteral("t.qv4"));
        document->FlipVertical();
        QCOMPARE(frame->windowTitle(), QStringLiteral("t.qv4*"));
        frame->showMaximized();
        QTest::qWait(20);
        const QString mainTitle = harness_->App().MainFrame()->windowTitle();
        QVERIFY2(!mainTitle.contains(QLatin1String("[*]")), qPrintable(mainTitle));
        QVERIFY2(mainTitle.contains(QLatin1String("t.qv4")), qPrintable(mainTitle));
    }

    // After a command's prompt leaves the status bar, the message pane is
    // idle again ("Ready"), whatever it said before the prompt.
    void paneReturnsToReadyAfterAPrompt() {
        CMainFrame* frame = harness_->App().MainFrame();
        frame->SetMessageText(QStringLiteral("Deconvolution complete."));
        frame->statusBar()->showMessage(QStringLiteral("Open an existing image"));
        QCOMPARE(frame->ShownMessage(), QStringLiteral("Open an existing image"));
        frame->statusBar()->clearMessage();
        QCOMPARE(frame->MessageText(), QStringLiteral("Ready"));
        QCOMPARE(frame->ShownMessage(), QStringLiteral("Ready"));
    }

    // Each new image window opens one step down and right of the active
    // one rather than exactly on top of it.
    void newWindowsCascade() {
        CQuorvaneDoc* first = harness_->Open(harness_->WriteImage(QStringLiteral("a.qv4"), 200, 150));
        CQuorvaneDoc* second = harness_->Open(harness_->WriteImage(QStringLiteral("b.qv4"), 200, 150));
        CQuorvaneDoc* third = harness_->Open(harness_->WriteImage(QStringLiteral("c.qv4"), 200, 150));
        const QPoint a = harness_->FrameOf(*first)->pos();
        const QPoint b = harness_->FrameOf(*second)->pos();
        const QPoint c = harness_->FrameOf(*third)->pos();
        QCOMPARE(a, QPoint(0, 0));
        QVERIFY(b.x() > a.x() && b.y() > a.y());
        QCOMPARE(c - b, b - a);
    }

    // Closing the image the crosshair window was reading empties its
    // readouts; closing another image leaves them.
    void closedImageLeavesNoReadings() {
        CQuorvaneApp& app = harness_->App();
        auto* crosshairs = new CountingCrosshairs;
        app.SetCrosshairs(crosshairs);
        CQuorvaneDoc* measured = harness_->Open(harness_->WriteImage(QStringLiteral("m.qv4"), 60, 50));
        CQuorvaneDoc* other = harness_->Open(harness_->WriteImage(QStringLiteral("o.qv4"), 60, 50));
        CQuorvaneDoc* third = harness_->Open(harness_->WriteImage(QStringLiteral("x.qv4"), 60, 50));
        CQuorvaneView* view = harness_->ViewOf(*measured);
        app.MainFrame()->ActivateDocument(*measured);
        QTest::mouseMove(view->viewport(), view->ImageToViewport({10, 10}));
        QVERIFY(crosshairs->readouts > 0);
        harness_->FrameOf(*other)->close();
        QTest::qWait(10);
        QCOMPARE(crosshairs->clears, 0);
        harness_->FrameOf(*measured)->close();
        QTest::qWait(10);
        QCOMPARE(crosshairs->clears, 1);
        QVERIFY(app.Crosshairs());
        Q_UNUSED(third);
    }

    // Save As writes the format the typed extension names, else the one the
    // filter names; "All files" with another name keeps the image's own.
    // The dialog opens on the image's own format; FITS files written are
    // read by astropy, and the program reads each file back as its format.
    void saveAsWritesTheChosenFormat() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(
            QStringLiteral("native.qv4"), 40, 30, [](int x, int y) { return uint16_t(x * 100 + y); }));
        struct Case {
            const char* name;
            int filter;
            int32_t expected;
        };
        const Case cases[] = {
            {"a", 2, kFileFits},          // FITS filter, no extension
            {"b.fits", 1, kFileFits},     // the extension outranks the filter
            {"c.FIT", 3, kFileFits},      // All files, a FITS extension in capitals
            {"d.qv4", 2, kFileCompressed},  // a native extension under the FITS filter
            {"e", 1, kFileCompressed},    // native filter, no extension
            {"f.fts", 3, kFileFits},
            {"g.dat", 3, kFileFits},      // All files keeps the format the image has now
        };
        for (const Case& test : cases) {
            harness_->saveAsAnswer = harness_->Folder() + QLatin1Char('/') + QLatin1String(test.name);
            harness_->saveAsFilter = test.filter;
            const int shownBefore = document->Image().fileType == kFileFits ? 2 : 1;
            QVERIFY2(document->DoSaveAs(), test.name);
            QCOMPARE(harness_->saveAsFilterShown, shownBefore);
            const int32_t onDisk = FileTypeOnDisk(harness_->saveAsAnswer);
            QVERIFY2(onDisk == test.expected || (test.expected == kFileCompressed && onDisk == kFileUncompressed),
                     test.name);
            if (test.expected == kFileFits) QCOMPARE(AstropyShape(harness_->saveAsAnswer), QStringLiteral("40 30"));
        }
        // A failed save leaves the image's format as it was.
        QCOMPARE(document->Image().fileType, kFileFits);
        harness_->saveAsAnswer = harness_->Folder() + QStringLiteral("/no/such/folder/x.qv4");
        QVERIFY(!document->DoSaveAs());
        QCOMPARE(document->Image().fileType, kFileFits);
        QCOMPARE(document->Image().At(39, 29), uint16_t(39 * 100 + 29));
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(WindowFaultsTest)
#include "tst_window_faults.moc"

// Choosing how far a run goes, with real runs: each iteration kept during
// a run equals a run stopped there; the memory budget lets the oldest go;
// the split compare shows exactly the before and after pixels each side of
// its divider.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "app/change_plot.h"
#include "app/dialogs/shell_dialogs.h"
#include "app/iteration_review.h"
#include "app/iteration_store.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/review_bar.h"
#include "app/run/shell_run.h"
#include "app/undo_history.h"
#include "app_harness.h"
#include "run_harness.h"
#include "image/image.h"
#include "platform/archive.h"
#include "platform/qt/profile.h"

namespace {

constexpr int kRunTimeoutMs = 60000;
constexpr int kWidth = 160, kHeight = 150;
const QPoint kStars[] = {{40, 40}, {120, 60}, {80, 110}};

uint16_t StarField(int x, int y) {
    double value = 1000.0 + 3.0 * ((x * 7 + y * 13) % 5);
    for (QPoint star : kStars) {
        const double d2 = double((x - star.x()) * (x - star.x()) + (y - star.y()) * (y - star.y()));
        value += 20000.0 * std::exp(-d2 / 8.0);
    }
    return uint16_t(value);
}

std::vector<uint16_t> Filled(size_t count, uint16_t value) { return std::vector<uint16_t>(count, value); }

}  // namespace

class IterationProgramTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = MakeRunHarness(); }
    void cleanup() { harness_.reset(); }

    // After a run of 3 the slider's iteration k is, bit for bit, the image a
    // run of k gives; the keys step, Save writes the image shown, and the
    // history card says how many iterations it holds.
    void eachIterationEqualsARunThatStopsThere() {
        CQuorvaneDoc* document = OpenPicked();
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        ReviewBar* bar = frame->RunReviewBar();
        const std::vector<uint16_t> original = document->Image().pixels;
        QVERIFY(!frame->QueryCommand(Cmd::EarlierIteration).enabled);

        Run(3);
        QVERIFY(view->Iterations().Choosing());
        QVERIFY(bar->isVisibleTo(frame));
        QCOMPARE(bar->Slider()->minimum(), 0);
        QCOMPARE(bar->Slider()->maximum(), 3);
        QCOMPARE(bar->Slider()->value(), 3);
        QCOMPARE(bar->Label(), QStringLiteral("Iteration 3 of 3"));
        QCOMPARE(bar->Plot()->Changes().size(), size_t(45));
        QCOMPARE(frame->MessageText(), QStringLiteral("Deconvolution complete."));
        QVERIFY(!frame->QueryCommand(Cmd::LaterIteration).enabled);

        std::vector<std::vector<uint16_t>> shown(4);
        for (int k = 3; k >= 0; --k) {
            bar->Slider()->setValue(k);
            QCOMPARE(view->Iterations().Shown(), k);
            shown[size_t(k)] = document->Image().pixels;
        }
        QCOMPARE(shown[0], original);
        QVERIFY(shown[1] != shown[0] && shown[2] != shown[1] && shown[3] != shown[2]);

        // The keys step one iteration; the run's history card names the count.
        frame->OnCommand(Cmd::LaterIteration);
        frame->OnCommand(Cmd::LaterIteration);
        QCOMPARE(view->Iterations().Shown(), 2);
        QCOMPARE(document->Image().pixels, shown[2]);
        QVERIFY(document->IsModified());
        const std::string cards = document->Image().fitsHistoryCards;
        QCOMPARE(QString::fromStdString(cards.substr(cards.size() - 80)).trimmed(),
                 QStringLiteral("HISTORY KESL Quorvane Deconvolve, 2 of 3 iterations"));
        const QString saved = harness_->Folder() + QStringLiteral("/two.qv4");
        QVERIFY(document->OnSaveDocument(saved));
        frame->OnCommand(Cmd::KeepIteration);
        QVERIFY(!view->Iterations().Choosing());
        QVERIFY(!bar->isVisibleTo(frame));
        QVERIFY(!frame->QueryCommand(Cmd::EarlierIteration).enabled);
        QCOMPARE(document->Image().pixels, shown[2]);

        CImage back;
        CArchive archive(saved.toStdString(), CArchive::load);
        back.Serialize(archive);
        QCOMPARE(back.pixels, shown[2]);

        // Undo goes back to before the run; runs of 1 and 2 then give the
        // same images as the run of 3 did on its way.
        for (int k = 1; k <= 2; ++k) {
            harness_->App().MainFrame()->ActivateDocument(*document);
            frame->OnCommand(Cmd::EditUndo);
            QCOMPARE(document->Image().pixels, original);
            Run(k);
            QVERIFY2(document->Image().pixels == shown[size_t(k)], qPrintable(QString::number(k)));
        }
    }

    // Over the budget the oldest iterations go first, the newest always
    // stays, and the window says how many went.
    void budgetLetsTheOldestIterationsGo() {
        const size_t count = 1000;
        const uint64_t image = count * sizeof(uint16_t);
        IterationStore store(2 * image + image / 2);
        for (uint16_t k = 0; k <= 3; ++k) store.Keep(k, Filled(count, k).data(), count);
        QCOMPARE(store.Kept(), (std::vector<int>{2, 3}));
        QCOMPARE(store.Dropped(), 2);
        QVERIFY(store.Bytes() <= 2 * image + image / 2);
        std::vector<uint16_t> out(count);
        QVERIFY(store.CopyOut(2, out) && out == Filled(count, 2));
        QVERIFY(!store.CopyOut(1, out));
        store.Reset(0);
        store.Keep(7, Filled(count, 7).data(), count);
        QCOMPARE(store.Kept(), std::vector<int>{7});

        CQuorvaneDoc* document = OpenPicked();
        CQuorvaneView* view = harness_->ViewOf(*document);
        ReviewBar* bar = harness_->App().MainFrame()->RunReviewBar();
        // Room for the undo entry of the run and two and a half images.
        const uint64_t pixels = uint64_t(kWidth) * kHeight * sizeof(uint16_t);
        view->SetMemoryBudget(pixels + 4096 + 2 * pixels + pixels / 2);
        Run(3);
        QVERIFY(view->Iterations().Choosing());
        QCOMPARE(view->Iterations().Kept(), (std::vector<int>{2, 3}));
        QCOMPARE(bar->Slider()->minimum(), 2);
        QVERIFY(bar->Label().contains(QStringLiteral("first 2 let go")));
        QVERIFY(!view->ShowIteration(1));
        QVERIFY(view->ShowIteration(2));
    }

    // The split compare: left of the divider exactly the pixels before the
    // run, right of it exactly those after, at the same zoom and contrast;
    // dragging the divider moves it and picks nothing.
    void splitShowsBeforeLeftAndAfterRight() {
        CQuorvaneDoc* document = OpenPicked();
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        const std::vector<uint16_t> before = document->Image().pixels;
        Run(2);
        frame->OnCommand(Cmd::ViewCompareSplit);
        QVERIFY(view->ComparingSplit());
        QVERIFY(frame->MessageText().contains(QStringLiteral("left of the divider")));
        QVERIFY(view->viewport()->width() >= kWidth && view->viewport()->height() >= kHeight);

        harness_->App().SetClickMode(kSelectArea);
        const int from = view->SplitDivider();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(from + 2, 20));
        QTest::mouseMove(view->viewport(), QPoint(80, 20));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(80, 20));
        QCOMPARE(view->SplitDivider(), 80);
        QVERIFY(!view->HasSelection());

        view->showMarks = false;  // the star marks and the divider line aside
        const QImage seen = view->viewport()->grab().toImage();
        view->showMarks = true;
        const DisplayBitmap& after = document->Bitmap();
        DisplayBitmap expectedBefore;
        QVERIFY(expectedBefore.Create(kWidth, kHeight));
        MapPixelsToBitmap(before.data(), kWidth, kHeight, document->Image().display, expectedBefore);
        auto colour = [&](const DisplayBitmap& bitmap, int x, int y) {
            const RgbQuad& entry = after.colours[bitmap.Bits()[size_t(y) * size_t(bitmap.Stride()) + size_t(x)]];
            return qRgb(entry.red, entry.green, entry.blue);
        };
        int differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (x == 80) continue;  // the divider itself
                const QRgb want = colour(x < 80 ? expectedBefore : after, x, y);
                QCOMPARE(seen.pixel(x, y) & 0xFFFFFFu, want & 0xFFFFFFu);
                differing += colour(expectedBefore, x, y) != colour(after, x, y);
            }
        QVERIFY(differing > 0);

        frame->OnCommand(Cmd::ViewCompare);  // the blink ends the split
        QVERIFY(!view->ComparingSplit() && view->ShowingBefore());
        frame->OnCommand(Cmd::ViewCompareSplit);
        QVERIFY(view->ComparingSplit() && !view->ShowingBefore());
        frame->OnCommand(Cmd::FlipHorizontal);  // a new change ends it
        QVERIFY(!view->ComparingSplit());
    }

    // The change plot follows the run and marks the iteration shown; the
    // keys of the new commands.
    void plotAndKeys() {
        CQuorvaneDoc* document = OpenPicked();
        CQuorvaneView* view = harness_->ViewOf(*document);
        ReviewBar* bar = harness_->App().MainFrame()->RunReviewBar();
        Run(1);
        QCOMPARE(bar->Plot()->Changes(), view->Iterations().Changes());
        QCOMPARE(bar->Plot()->Marked(), 1);
        view->ShowIteration(0);
        QCOMPARE(bar->Plot()->Marked(), 0);
        auto keyOf = [](int id) {
            for (const Accelerator& key : Accelerators())
                if (key.id == id) return key.keys;
            return QKeySequence();
        };
        QCOMPARE(keyOf(Cmd::ViewCompareSplit), QKeySequence(Qt::SHIFT | Qt::Key_B));
        QCOMPARE(keyOf(Cmd::EarlierIteration), QKeySequence(Qt::Key_BracketLeft));
        QCOMPARE(keyOf(Cmd::LaterIteration), QKeySequence(Qt::Key_BracketRight));
        QCOMPARE(keyOf(Cmd::KeepIteration), QKeySequence(Qt::Key_K));
    }

private:
    CQuorvaneDoc* OpenPicked() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), kWidth, kHeight, StarField));
        CQuorvaneView* view = harness_->ViewOf(*document);
        harness_->App().SetClickMode(kSelectPsfs);
        for (QPoint star : kStars) QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport(star));
        return document;
    }

    void Run(int iterations) {
        Profile::WriteInt("DeconParameters", "Aggressiveness", iterations - 1);
        AcceptNextDialog();
        harness_->App().MainFrame()->OnCommand(Cmd::StartLR);
        QVERIFY(harness_->App().IsBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
    }

    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(IterationProgramTest)
#include "iteration_program.moc"

// Taking changes back and comparing, with a real run: undo and redo of a
// run, a flip and Clean Image; the before/after compare; the undo budget.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "app/dialogs/shell_dialogs.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/shell_run.h"
#include "app/undo_history.h"
#include "app_harness.h"
#include "run_harness.h"
#include "platform/archive.h"
#include "platform/qt/profile.h"

namespace {

constexpr int kRunTimeoutMs = 60000;
const QPoint kStars[] = {{40, 40}, {120, 60}, {80, 110}};

uint16_t StarField(int x, int y) {
    double value = 1000.0 + 3.0 * ((x * 7 + y * 13) % 5);
    for (QPoint star : kStars) {
        const double d2 = double((x - star.x()) * (x - star.x()) + (y - star.y()) * (y - star.y()));
        value += 20000.0 * std::exp(-d2 / 8.0);
    }
    return uint16_t(value);
}

struct Seen {
    std::vector<uint16_t> pixels;
    std::string history;
    std::string historyCards;  // what a FITS save writes of the history
    std::vector<StarPoint> stars;
    bool hasSelection;
    SelectionRect selection;
    bool modified;
    bool operator==(const Seen&) const = default;
};

Seen SeenIn(CQuorvaneDoc& document, CQuorvaneView& view) {
    return {document.Image().pixels, document.Image().History, document.Image().fitsHistoryCards, document.Stars(),
            view.HasSelection(),      view.Selection(),          document.IsModified()};
}

std::vector<uint8_t> Bits(const DisplayBitmap& bitmap) {
    return {bitmap.Bits(), bitmap.Bits() + size_t(bitmap.Stride()) * size_t(bitmap.Height())};
}

WindowState StateOfBytes(size_t pixels) {
    WindowState state;
    state.pixels.assign(pixels, 1);
    return state;
}

}  // namespace

class ReviewProgramTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = MakeRunHarness(); }
    void cleanup() { harness_.reset(); }

    // A run, a flip and Clean Image are each taken back in turn and made
    // again: pixels, history, stars, selection and the modified flag.
    // B shows exactly the pixels before the last change, then after.
    void undoRedoAndCompareAfterARunAFlipAndCleanImage() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 0);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("f.qv4"), 160, 150, StarField));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectArea);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({20, 20}));
        QTest::mouseMove(view->viewport(), view->ImageToViewport({140, 130}));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport({140, 130}));
        harness_->App().SetClickMode(kSelectPsfs);
        for (QPoint star : kStars) QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport(star));
        QVERIFY(!frame->QueryCommand(Cmd::EditUndo).enabled);
        QVERIFY(!frame->QueryCommand(Cmd::ViewCompare).enabled);
        std::vector<Seen> seen{SeenIn(*document, *view)};

        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QVERIFY(!frame->QueryCommand(Cmd::EditUndo).enabled);  // not while it runs
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
        seen.push_back(SeenIn(*document, *view));
        QVERIFY(seen[1].pixels != seen[0].pixels);

        const std::vector<uint8_t> after = Bits(document->Bitmap());
        DisplayBitmap expectedBefore;
        QVERIFY(expectedBefore.Create(160, 150));
        MapPixelsToBitmap(seen[0].pixels.data(), 160, 150, document->Image().display, expectedBefore);
        QVERIFY(Bits(expectedBefore) != after);
        frame->OnCommand(Cmd::ViewCompare);
        QVERIFY(view->ShowingBefore());
        QVERIFY(frame->MessageText().contains(QStringLiteral("before")));
        QCOMPARE(Bits(view->ShownBitmap()), Bits(expectedBefore));
        QCOMPARE(document->Image().pixels, seen[1].pixels);  // comparing changes nothing
        frame->OnCommand(Cmd::ViewCompare);
        QVERIFY(!view->ShowingBefore());
        QCOMPARE(Bits(view->ShownBitmap()), after);

        frame->OnCommand(Cmd::FlipHorizontal);
        seen.push_back(SeenIn(*document, *view));
        frame->OnCommand(Cmd::CleanImage);
        seen.push_back(SeenIn(*document, *view));
        QVERIFY(seen[3].stars.empty() && !seen[3].hasSelection);

        for (int back = 2; back >= 0; --back) {
            frame->OnCommand(Cmd::EditUndo);
            QVERIFY2(SeenIn(*document, *view) == seen[size_t(back)], qPrintable(QString::number(back)));
        }
        QVERIFY(!frame->QueryCommand(Cmd::EditUndo).enabled);
        QCOMPARE(Bits(document->Bitmap()), Bits(expectedBefore));
        for (int forward = 1; forward <= 3; ++forward) {
            frame->OnCommand(Cmd::EditRedo);
            QVERIFY2(SeenIn(*document, *view) == seen[size_t(forward)], qPrintable(QString::number(forward)));
        }
        QVERIFY(!frame->QueryCommand(Cmd::EditRedo).enabled);

        // The keys: B, Ctrl+Z and Ctrl+Shift+Z.
        auto keyOf = [](int id) {
            for (const Accelerator& key : Accelerators())
                if (key.id == id) return key.keys;
            return QKeySequence();
        };
        QCOMPARE(keyOf(Cmd::ViewCompare), QKeySequence(Qt::Key_B));
        QCOMPARE(keyOf(Cmd::EditUndo), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(keyOf(Cmd::EditRedo), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    }

    // On a FITS image undo and redo also take back the HISTORY cards and the
    // WCS that a flip moved, so a save after Undo says what the pixels are.
    void undoRestoresTheFitsCardsAndTheWcs() {
        CImage image;
        image.Width = 64;
        image.Height = 48;
        image.fileType = kFileFits;
        image.pixels.assign(size_t(64) * 48, 1200);
        const std::string card = "CRPIX1  =                 10.0";
        image.fitsRecords.assign(card.begin(), card.end());
        image.fitsRecords.resize(80, ' ');
        const QString path = QDir(harness_->Folder()).filePath(QStringLiteral("wcs.fits"));
        {
            CArchive archive(QFile::encodeName(path).toStdString(), CArchive::store);
            image.Serialize(archive);
            archive.Commit();
        }
        CQuorvaneDoc* document = harness_->Open(path);
        QVERIFY(document);
        const std::vector<char> openedRecords = document->Image().fitsRecords;
        const std::string openedCards = document->Image().fitsHistoryCards;
        CMainFrame* frame = harness_->App().MainFrame();
        frame->OnCommand(Cmd::FlipHorizontal);
        const std::vector<char> flippedRecords = document->Image().fitsRecords;
        const std::string flippedCards = document->Image().fitsHistoryCards;
        QVERIFY(flippedRecords != openedRecords);
        QVERIFY(flippedCards != openedCards);
        frame->OnCommand(Cmd::EditUndo);
        QVERIFY(document->Image().fitsRecords == openedRecords);
        QCOMPARE(document->Image().fitsHistoryCards, openedCards);
        frame->OnCommand(Cmd::EditRedo);
        QVERIFY(document->Image().fitsRecords == flippedRecords);
        QCOMPARE(document->Image().fitsHistoryCards, flippedCards);
    }

    // A native image flipped, then saved as FITS: undoing the flip keeps the
    // records the save made, so the next FITS save still carries the
    // native fields.
    void undoAfterASaveInTheOtherFormatKeepsItsRecords() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("n.qv4"), 40, 30, StarField));
        CMainFrame* frame = harness_->App().MainFrame();
        frame->OnCommand(Cmd::FlipHorizontal);
        QVERIFY(document->Image().fitsRecords.empty());
        harness_->saveAsAnswer = harness_->Folder() + QStringLiteral("/n.fits");
        QVERIFY(document->DoSaveAs());
        const std::vector<char> made = document->Image().fitsRecords;
        QVERIFY(!made.empty());
        frame->OnCommand(Cmd::EditUndo);
        QCOMPARE(document->Image().fitsRecords, made);
    }

    // Over the budget the oldest entries go (the newest always stays); a
    // new change clears what could be redone.
    void budgetDropsTheOldestFirst() {
        const uint64_t one = StateOfBytes(1000).Bytes();
        UndoHistory history(2 * one + one / 2);
        QCOMPARE(history.Record(StateOfBytes(1000)), 0);
        QCOMPARE(history.Record(StateOfBytes(1000)), 0);
        WindowState third = StateOfBytes(1000);
        third.pixels[0] = 3;
        QCOMPARE(history.Record(std::move(third)), 1);
        QCOMPARE(history.UndoCount(), size_t(2));
        QCOMPARE(history.Before()->pixels[0], uint16_t(3));
        QCOMPARE(history.Record(StateOfBytes(4000)), 2);
        QCOMPARE(history.UndoCount(), size_t(1));
        history.Undo(StateOfBytes(10));
        QVERIFY(history.CanRedo());
        history.Record(StateOfBytes(10));
        QVERIFY(!history.CanRedo());
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(ReviewProgramTest)
#include "review_program.moc"

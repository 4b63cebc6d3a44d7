// The image window while a real deconvolution runs: display changes that
// arrive while the pixels are busy, and the contrast bar with a second image.
#include <QApplication>
#include <QDialog>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <future>
#include <thread>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/dialogs/shell_dialogs.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/shell_run.h"
#include "app/shell_extensions.h"
#include "app_harness.h"
#include "run_harness.h"
#include "decon/decon_mailbox.h"
#include "platform/qt/profile.h"

namespace {

constexpr int kRunTimeoutMs = 120000;
const QPoint kStars[] = {{40, 40}, {120, 60}, {80, 110}};

uint16_t StarField(int x, int y) {
    double value = 1000.0 + 3.0 * ((x * 7 + y * 13) % 5);
    for (QPoint star : kStars) {
        const double distance2 = double((x - star.x()) * (x - star.x()) + (y - star.y()) * (y - star.y()));
        value += 20000.0 * std::exp(-distance2 / (2.0 * 2.0 * 2.0));
    }
    return uint16_t(value);
}

// Holds the engine's pixel lock on its own thread, as the worker does while it writes.
class PixelLockHolder {
public:
    PixelLockHolder() {
        std::promise<void> held;
        std::future<void> heldNow = held.get_future();
        thread_ = std::thread([this, held = std::move(held)]() mutable {
            std::lock_guard<std::mutex> lock(TheDeconMailbox().pixelLock);
            held.set_value();
            release_.get_future().wait();
        });
        heldNow.wait();
    }
    ~PixelLockHolder() { Release(); }
    void Release() {
        if (!thread_.joinable()) return;
        release_.set_value();
        thread_.join();
    }

private:
    std::promise<void> release_;
    std::thread thread_;
};

// A crosshair window that keeps the last pixel it was asked to read.
class RecordingCrosshairs : public QWidget, public CrosshairWindow {
public:
    QWidget* Widget() override { return this; }
    void ShowReadouts(CQuorvaneView&, int32_t x, int32_t y) override {
        ++readouts;
        last = {x, y};
    }
    int32_t ListBoxSize() const override { return 5; }
    int readouts = 0;
    QPoint last;
};

bool SameColours(const DisplayBitmap& a, const DisplayBitmap& b) { return a.colours == b.colours; }

bool SameRows(const DisplayBitmap& a, const DisplayBitmap& b) {
    for (int32_t y = 0; y < a.Height(); ++y) {
        if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
    }
    return true;
}

}  // namespace

class RunWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = MakeRunHarness(); }
    void cleanup() { harness_.reset(); }

    // A zoom change and a contrast drop made while another thread holds the
    // pixels change nothing on screen yet (frame, colour table, levels); once
    // the pixels are free both are applied whole: the frame fits the new
    // zoom and the bitmap is remapped with the dropped levels.
    void changesWaitForBusyPixels() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 9);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("big.qv4"), 600, 500, StarField));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        for (QPoint star : kStars) document->AddStar({star.x(), star.y()});
        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QTRY_VERIFY_WITH_TIMEOUT(TheDeconMailbox().Command() == DeconCommand::Start, kRunTimeoutMs);
        const QSize viewportBefore = view->viewport()->size();
        QCOMPARE(viewportBefore, QSize(600, 500));
        const DisplaySettings before = document->Image().display;

        PixelLockHolder holder;
        DisplaySettings halfSize = before;
        halfSize.zoom = 1;
        frame->OnApplySettings(halfSize);
        frame->OnContrastDrag(30, -40);
        const ColourTable dragged = document->Bitmap().colours;
        frame->OnContrastDrop();
        QTest::qWait(200);
        QVERIFY(view->HasPendingSettings());
        QCOMPARE(view->viewport()->size(), viewportBefore);
        QCOMPARE(document->Image().display, before);
        QVERIFY(document->Bitmap().colours == dragged);
        const DisplaySettings wanted = view->ShownSettings();
        QCOMPARE(wanted.zoom, 1);
        QVERIFY(wanted.back != before.back || wanted.range != before.range);

        const uint16_t countAtRelease = TheDeconMailbox().imageUpdateCount.load();
        holder.Release();
        QTRY_VERIFY_WITH_TIMEOUT(!view->HasPendingSettings(), 10000);
        PixelLockHolder again;
        QCOMPARE(view->viewport()->size(), QSize(300, 250));
        QCOMPARE(document->Image().display, wanted);
        DisplayBitmap expected;
        QVERIFY(expected.Create(600, 500));
        SetColourTable(expected, kDefaultWindowLo, kDefaultWindowHi, false);
        QVERIFY(SameColours(document->Bitmap(), expected));
        // The rows are compared when the worker has not written since the
        // release (it writes every fifth step, seconds apart at this size).
        if (TheDeconMailbox().imageUpdateCount.load() == countAtRelease) {
            MapPixelsToBitmap(document->Image().pixels.data(), 600, 500, wanted, expected);
            QVERIFY2(SameRows(document->Bitmap(), expected), "the bitmap was not remapped with the dropped levels");
        }
        again.Release();
        frame->OnCommand(Cmd::AbortLR);
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
    }

    // With two images open and a run with automatic levels on the one not
    // active, the bar keeps the active image's levels through the run's
    // redisplays, and Apply leaves the running image's levels alone.
    void barKeepsTheActiveImage() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 0);
        CQuorvaneDoc* other = harness_->Open(harness_->WriteImage(QStringLiteral("other.qv4"), 100, 80));
        CQuorvaneDoc* running = harness_->Open(harness_->WriteImage(QStringLiteral("run.qv4"), 160, 150, StarField));
        CQuorvaneView* runningView = harness_->ViewOf(*running);
        CMainFrame* frame = harness_->App().MainFrame();
        CContrastBar* bar = harness_->App().ContrastBar();
        DisplaySettings automatic = running->Image().display;
        automatic.autoContrast = 1;
        runningView->ApplyDisplaySettings(automatic);
        const DisplaySettings otherLevels = other->Image().display;
        QVERIFY(running->Image().display.back != otherLevels.back);
        for (QPoint star : kStars) running->AddStar({star.x(), star.y()});

        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QVERIFY(harness_->App().IsBusy());
        frame->ActivateDocument(*other);
        QCOMPARE(frame->ActiveView(), harness_->ViewOf(*other));
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
        QVERIFY(running->IsModified());
        QCOMPARE(bar->m_back, otherLevels.back);
        QCOMPARE(bar->m_range, otherLevels.range);

        const DisplaySettings runningLevels = running->Image().display;
        bar->OnApply();
        QTest::qWait(50);
        QCOMPARE(other->Image().display.back, otherLevels.back);
        QCOMPARE(other->Image().display.range, otherLevels.range);
        QCOMPARE(running->Image().display, runningLevels);
    }

    // Through a real run the status bar's progress bar is absent before,
    // says "Preparing..." during the hand-over, then counts the iterations
    // with a rising percentage and a time left, and is gone again at
    // "Deconvolution complete.".
    void progressBarThroughARun() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 4);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("p.qv4"), 600, 500, StarField));
        for (QPoint star : kStars) document->AddStar({star.x(), star.y()});
        CMainFrame* frame = harness_->App().MainFrame();
        QVERIFY(!frame->RunProgressBar());
        QStringList texts;
        QList<int> values;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] {
            const QProgressBar* bar = frame->RunProgressBar();
            if (!bar || (!texts.isEmpty() && texts.last() == bar->format())) return;
            texts << bar->format();
            values << bar->value();
        });
        sampler.start(5);
        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
        sampler.stop();
        QVERIFY(!frame->RunProgressBar());
        QCOMPARE(frame->MessageText(), QStringLiteral("Deconvolution complete."));
        const QString seen = texts.join(QStringLiteral(" | "));
        QVERIFY2(!texts.isEmpty() && texts.first() == QStringLiteral("Preparing..."), qPrintable(seen));
        // A quiet machine may finish the steps within one or two redisplay ticks.
        QVERIFY2(texts.size() >= 2, qPrintable(seen));
        QVERIFY2(texts.last().startsWith(QLatin1String("Iteration ")), qPrintable(seen));
        QVERIFY2(texts.last().contains(QLatin1String(" of 5, ")), qPrintable(seen));
        QVERIFY2(texts.last().contains(QLatin1String(" left")), qPrintable(seen));
        QVERIFY2(std::is_sorted(values.begin(), values.end()), qPrintable(seen));
    }

    // A mouse resting on the image while the worker held the pixels reads
    // "busy" and leaves the crosshair window alone; once the run is over
    // both read the pixel again, though the mouse has not moved and no new
    // pixels came.
    void readoutReadsAgainWhenTheRunEnds() {
        auto* crosshairs = new RecordingCrosshairs;
        harness_->App().SetCrosshairs(crosshairs);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("m.qv4"), 200, 160, StarField));
        for (QPoint star : kStars) document->AddStar({star.x(), star.y()});
        CMainFrame* frame = harness_->App().MainFrame();
        CQuorvaneView* view = harness_->ViewOf(*document);
        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QTRY_VERIFY_WITH_TIMEOUT(TheDeconMailbox().Command() == DeconCommand::Start, kRunTimeoutMs);
        {
            PixelLockHolder holder;
            QTest::mouseMove(view->viewport(), view->ImageToViewport(kStars[0]));
            QCOMPARE(frame->PixelReadout(), QStringLiteral("X: 40  Y: 40  Value: busy"));
        }
        const int readoutsWhileBusy = crosshairs->readouts;
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
        QCOMPARE(frame->MessageText(), QStringLiteral("Deconvolution complete."));
        QCOMPARE(frame->PixelReadout(), QStringLiteral("X: 40  Y: 40  Value: %1").arg(document->Image().At(40, 40)));
        QVERIFY(crosshairs->readouts > readoutsWhileBusy);
        QCOMPARE(crosshairs->last, kStars[0]);
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(RunWindowTest)
#include "run_window.moc"

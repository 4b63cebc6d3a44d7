// The program with its deconvolution run and tool windows plugged in,
// driven from the image window: pick stars, start, watch it finish; and
// quitting in the middle of a run.
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "app/dialogs/shell_dialogs.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/shell_run.h"
#include "app_harness.h"
#include "run_harness.h"
#include "platform/qt/profile.h"

namespace {

constexpr int kRunTimeoutMs = 60000;
const QPoint kStars[] = {{40, 40}, {120, 60}, {80, 110}};

uint16_t StarField(int x, int y) {
    double value = 1000.0 + 3.0 * ((x * 7 + y * 13) % 5);
    for (QPoint star : kStars) {
        const double distance2 = double((x - star.x()) * (x - star.x()) + (y - star.y()) * (y - star.y()));
        value += 20000.0 * std::exp(-distance2 / (2.0 * 2.0 * 2.0));
    }
    return uint16_t(value);
}

// Answers the iteration dialog with OK as soon as it shows.
}  // namespace

class WholeProgramTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = MakeRunHarness(); }
    void cleanup() { harness_.reset(); }

    // Three stars picked with the mouse, one iteration: the run ends with
    // "Deconvolution complete.", the pixels sharpened, history code 40 and
    // the image marked modified; Start was unavailable during the run.
    void deconvolveFromTheWindow() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 0);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("field.qv4"), 160, 150, StarField));
        CQuorvaneView* view = harness_->ViewOf(*document);
        CMainFrame* frame = harness_->App().MainFrame();
        harness_->App().SetClickMode(kSelectPsfs);
        for (QPoint star : kStars) QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport(star));
        QCOMPARE(document->Stars().size(), size_t(3));
        const uint16_t peakBefore = document->Image().At(40, 40);

        AcceptNextDialog();
        frame->OnCommand(Cmd::StartLR);
        QVERIFY(harness_->App().IsBusy());
        QVERIFY(!frame->QueryCommand(Cmd::StartLR).enabled);
        QVERIFY(frame->QueryCommand(Cmd::AbortLR).enabled);
        QTRY_VERIFY_WITH_TIMEOUT(!harness_->App().IsBusy(), kRunTimeoutMs);
        QCOMPARE(frame->MessageText(), QStringLiteral("Deconvolution complete."));
        QCOMPARE(document->Image().History.back(), char('@' + 40));
        QVERIFY(document->IsModified());
        QVERIFY2(document->Image().At(40, 40) > peakBefore, "the star's peak did not sharpen");
        QVERIFY(frame->QueryCommand(Cmd::StartLR).enabled);
    }

    // Quitting in the middle of a run aborts it and waits for the worker,
    // then asks about the changes; nothing is left running.
    void quitDuringARealRun() {
        Profile::WriteInt("DeconParameters", "Aggressiveness", 9);
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("big.qv4"), 600, 500, StarField));
        for (QPoint star : kStars) document->AddStar({star.x(), star.y()});
        document->FlipHorizontal();
        bool busyWhenAsked = true;
        UserPrompts().saveChanges = [&](QWidget*, const QString&) {
            busyWhenAsked = harness_->App().IsBusy();
            return SaveChangesAnswer::discard;
        };
        AcceptNextDialog();
        harness_->App().MainFrame()->OnCommand(Cmd::StartLR);
        QTest::qWait(1500);
        QVERIFY(harness_->App().IsBusy());
        QVERIFY(harness_->App().MainFrame()->close());
        QVERIFY(!harness_->App().IsBusy());
        QVERIFY2(!busyWhenAsked, "asked about changes before the run had ended");
        QVERIFY(harness_->App().Documents().empty());
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(WholeProgramTest)
#include "whole_program.moc"

// Wall time of one deconvolution run in the image window, from Start L-R
// to "Deconvolution complete." in the status bar, on the bundled sample with
// three picked stars and five iterations: with the hand-over (Init ..
// SetSelection) waiting for the 500 ms tick after each command, as the run
// used to, and with each command following as soon as the last is done.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/dialogs/shell_dialogs.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/run/run_texts.h"
#include "app/run/shell_run.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

const QPoint kPsfStars[] = {{514, 239}, {574, 210}, {701, 261}};
constexpr int kIterationIndex = 4;  // five iterations
constexpr int kRunTimeoutMs = 600000;

void AcceptNextDialog() {
    QTimer::singleShot(5, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
        else AcceptNextDialog();
    });
}

// One run on a freshly opened sample; the seconds from Start L-R to the end.
double RunOnce(bool quickHandover) {
    QTemporaryDir folder;
    Profile::UseFolder(folder.path());
    Profile::WriteInt("DeconParameters", "Aggressiveness", kIterationIndex);
    ScopedMessageCapture notices;
    CQuorvaneApp app;
    CQuorvaneApp::StartOptions options;
    options.runStartupTip = false;
    options.showMaximized = false;
    app.InitInstance({QStringLiteral("quorvane")}, options);
    InstallDialogExtensions(app.Extensions());
    InstallRunExtensions(app.Extensions(), quickHandover);
    app.Extensions().resetEngineMailbox();
    CQuorvaneDoc* document = app.OpenDocumentFile(QStringLiteral(QV_SAMPLE_IMAGE));
    for (QPoint star : kPsfStars) document->AddStar({star.x(), star.y()});
    QTest::qWait(20);
    CMainFrame* frame = app.MainFrame();

    AcceptNextDialog();
    QElapsedTimer clock;
    clock.start();
    frame->OnCommand(Cmd::StartLR);
    const bool ended = QTest::qWaitFor([&] { return !app.IsBusy(); }, kRunTimeoutMs);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const bool complete = ended && frame->MessageText() == QLatin1String(kTextRunComplete);
    document->SetModifiedFlag(false);
    frame->close();
    app.ExitInstance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return complete ? seconds : -1.0;
}

void BM_RunWallTime(benchmark::State& state) {
    const bool quick = state.range(0) != 0;
    for (auto _ : state) {
        const double seconds = RunOnce(quick);
        if (seconds < 0) {
            state.SkipWithError("the run did not end with \"Deconvolution complete.\"");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.SetLabel(quick ? "hand-over as soon as done" : "hand-over on the 500 ms tick");
}
BENCHMARK(BM_RunWallTime)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// How long the image window takes to show new settings of a 4096 x 4096
// image: Apply (remap and repaint what is on screen), Apply with smoothing,
// Apply with automatic levels after the pixels changed (histogram again),
// one step of a contrast drag (colour table and repaint only), and opening
// the file (read, map, first paint) as File Open does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "image/image.h"
#include "platform/archive.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

constexpr int kSide = 4096;

struct Window {
    QTemporaryDir folder;
    QString path;
    std::unique_ptr<CQuorvaneApp> app;
    CQuorvaneDoc* document = nullptr;
    CQuorvaneView* view = nullptr;
};

Window& TheWindow() {
    static Window window = [] {
        Window made;
        Profile::UseFolder(made.folder.path());
        SetMessageHandler([](const Message&) {});
        CImage image;
        image.Width = kSide;
        image.Height = kSide;
        image.fileType = kFileCompressed;
        image.pixels.resize(size_t(kSide) * kSide);
        uint32_t state = 12345;
        for (uint16_t& pixel : image.pixels) {
            state = state * 1664525u + 1013904223u;
            pixel = uint16_t(900 + (state >> 24));
        }
        const QString path = made.folder.filePath(QStringLiteral("big.qv4"));
        made.path = path;
        CArchive archive(QFile::encodeName(path).toStdString(), CArchive::store);
        image.Serialize(archive);
        archive.Commit();
        made.app = std::make_unique<CQuorvaneApp>();
        made.app->InitInstance({QStringLiteral("quorvane")}, {false, false});
        made.app->MainFrame()->resize(1400, 1000);
        made.document = made.app->OpenDocumentFile(path);
        made.view = made.app->MainFrame()->ViewOf(*made.document);
        QTest::qWait(50);
        return made;
    }();
    return window;
}

void Redisplay(benchmark::State& state, DisplaySettings settings, bool pixelsChanged) {
    Window& window = TheWindow();
    for (auto _ : state) {
        if (pixelsChanged) window.document->Histogram().Invalidate();
        settings.back ^= 1;  // a different setting each time, as a user's Apply
        window.view->ApplyDisplaySettings(settings);
        window.view->viewport()->repaint();
    }
    state.counters["visible_px"] = double(window.view->viewport()->width()) * window.view->viewport()->height();
}

void BM_Apply(benchmark::State& state) { Redisplay(state, DisplaySettings{950, 400, 0, 0, 0, 2}, false); }
void BM_ApplySmooth(benchmark::State& state) { Redisplay(state, DisplaySettings{950, 400, 1, 0, 0, 2}, false); }
void BM_ApplyAutoNewPixels(benchmark::State& state) { Redisplay(state, DisplaySettings{950, 400, 0, 1, 0, 2}, true); }
void BM_ApplyQuarterZoom(benchmark::State& state) { Redisplay(state, DisplaySettings{950, 400, 0, 0, 0, 0}, false); }

void BM_DragStep(benchmark::State& state) {
    Window& window = TheWindow();
    int dx = 0;
    for (auto _ : state) {
        window.app->MainFrame()->OnContrastDrag(dx++ % 60, 5);
        window.view->viewport()->repaint();
    }
}

void BM_OpenImage(benchmark::State& state) {
    Window& window = TheWindow();
    // A copy under another name, so that the open is not the window already open.
    const QString copy = window.folder.filePath(QStringLiteral("copy.qv4"));
    QFile::copy(window.path, copy);
    for (auto _ : state) {
        CQuorvaneDoc* document = window.app->OpenDocumentFile(copy);
        CQuorvaneView* view = window.app->MainFrame()->ViewOf(*document);
        view->viewport()->repaint();
        state.PauseTiming();
        view->Frame()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

BENCHMARK(BM_Apply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplySmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyAutoNewPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyQuarterZoom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenImage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheWindow().app->MainFrame()->close();
    TheWindow().app.reset();
    return 0;
}

#include "app/run/shell_run.h"

#include <QObject>

#include "app/iteration_review.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/run/decon_run_driver.h"
#include "app/shell_extensions.h"

namespace {

bool quickHandover = true;

// The driver's view of one image window. Busy flag and status go to the
// application; the document is held directly so that a driver stopped while
// its window is being destroyed still reaches it.
class ViewRunHost final : public DeconRunHost {
public:
    ViewRunHost(CQuorvaneView& view, CQuorvaneApp& app) : view_(view), document_(view.GetDocument()), app_(app) {}

    int32_t ImageWidth() const override { return document_.Image().Width; }
    int32_t ImageHeight() const override { return document_.Image().Height; }
    uint16_t* ImagePixels() override { return document_.Image().pixels.data(); }
    std::vector<RunStar> Stars() const override {
        std::vector<RunStar> stars;
        for (const StarPoint& star : document_.Stars()) stars.push_back({star.x, star.y});
        return stars;
    }
    std::optional<DeconRect> Selection() const override {
        if (!view_.HasSelection()) return std::nullopt;
        const SelectionRect& drawn = view_.Selection();
        return DeconRect{drawn.top, drawn.left, drawn.bottom, drawn.right};
    }
    void SetStatusText(const QString& text) override {
        if (CMainFrame* frame = app_.MainFrame()) frame->SetMessageText(text);
    }
    // At once and on this image: the contrast bar's own Apply is queued and
    // goes to whichever image is active.
    void ApplyContrastSettings() override { view_.ReapplyDisplaySettings(); }
    void InvalidateHistogram() override { document_.Histogram().Invalidate(); }
    void MarkModified() override { document_.SetModifiedFlag(true); }
    void AddHistory(int code) override { document_.Image().AddHistory(code); }
    bool IsBusy() const override { return app_.IsBusy(); }
    void SetBusy(bool busy) override { app_.SetRunningDocument(busy ? &document_ : nullptr); }
    void ShowProgress(const RunProgress* progress) override {
        CMainFrame* frame = app_.MainFrame();
        if (!frame) return;
        if (!progress) {
            // Also while the window is being destroyed: the view is not touched.
            frame->HideRunProgress();
            return;
        }
        frame->ShowRunProgress(progress->percent, progress->Text());
        // The change plot beside the bar.
        view_.NotifyReviewChanged();
    }
    DeconHooks* RunObserver() override {
        record_ = view_.BeginIterationRecord();
        return record_.get();
    }
    void RunEnded(bool completed, int iterations) override { view_.EndIterationRecord(completed, iterations); }

private:
    CQuorvaneView& view_;
    CQuorvaneDoc& document_;
    CQuorvaneApp& app_;
    // Kept while the worker may call it, which can outlast the view.
    std::shared_ptr<IterationReview> record_;
};

// A window's host and driver, a child of the window. The host is declared
// first so that it outlives the driver.
class ViewRun final : public QObject {
public:
    ViewRun(CQuorvaneView& view, CQuorvaneApp& app)
        : QObject(&view), host_(view, app), driver_(host_, TheDeconMailbox(), DriverOptions()) {
        setObjectName(QString::fromLatin1(kName));
        connect(&driver_, &DeconRunDriver::runningChanged, &view, &CQuorvaneView::commandStateChanged);
    }

    static DeconRunDriver& DriverOf(CQuorvaneView& view) {
        auto* run = static_cast<ViewRun*>(
            view.findChild<QObject*>(QString::fromLatin1(kName), Qt::FindDirectChildrenOnly));
        if (!run) run = new ViewRun(view, *CQuorvaneApp::Instance());
        return run->driver_;
    }

private:
    static DeconRunDriver::Options DriverOptions() {
        DeconRunDriver::Options options;
        options.quickHandover = quickHandover;
        return options;
    }
    static constexpr const char* kName = "deconvolutionRun";
    ViewRunHost host_;
    DeconRunDriver driver_;
};

}  // namespace

void InstallRunExtensions(ShellExtensions& extensions, bool quick) {
    quickHandover = quick;
    extensions.resetEngineMailbox = &ResetEngineMailbox;
    extensions.startDeconvolution = [](CQuorvaneView& view) {
        if (CQuorvaneApp::Instance()) ViewRun::DriverOf(view).Start(view.window());
    };
    extensions.abortDeconvolution = [](CQuorvaneView& view) {
        if (CQuorvaneApp::Instance()) ViewRun::DriverOf(view).Abort();
    };
}

#include "app/view_zoom.h"

#include <QMdiArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/display/zoom.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"

namespace {

// One notch of an ordinary mouse wheel.
constexpr int kWheelNotch = 120;

// Window pixels per image pixel at a Mag level.
double ScaleOf(int32_t zoom) {
    constexpr double kScale[kZoomStepCount] = {0.25, 0.5, 1.0, 2.0, 4.0};
    return kScale[NormalizedZoom(zoom)];
}

}  // namespace

ViewZoom::ViewZoom(CQuorvaneView& view) : QObject(&view), view_(view) {
    setObjectName(QStringLiteral("viewZoom"));
    viewport_ = view_.viewport();
    viewport_->installEventFilter(this);
    connect(&view_, &CQuorvaneView::displaySettingsApplied, this, &ViewZoom::KeepAnchor);
}

ViewZoom* ViewZoom::Of(const CQuorvaneView& view) {
    return view.findChild<ViewZoom*>(QStringLiteral("viewZoom"), Qt::FindDirectChildrenOnly);
}

bool ViewZoom::CanZoom(int steps) const {
    const int32_t zoom = NormalizedZoom(view_.ShownSettings().zoom);
    return view_.GetDocument().HasImage() && zoom + steps >= 0 && zoom + steps < kZoomStepCount;
}

void ViewZoom::ZoomAbout(int steps, QPoint anchor) {
    const int32_t zoom = NormalizedZoom(view_.ShownSettings().zoom);
    SetZoom(std::clamp(zoom + steps, 0, kZoomStepCount - 1), anchor);
}

void ViewZoom::ZoomAboutCentre(int steps) { ZoomAbout(steps, view_.viewport()->rect().center()); }

void ViewZoom::SetZoom(int32_t zoom, QPoint anchor) {
    DisplaySettings settings = view_.ShownSettings();
    if (!view_.GetDocument().HasImage() || NormalizedZoom(settings.zoom) == zoom) return;
    // The middle of the window pixel under the anchor, in 1:1 display units.
    const QPointF window = QPointF(anchor + view_.ScrollPosition()) + QPointF(0.5, 0.5);
    anchor_ = Anchor{window / ScaleOf(settings.zoom), anchor, zoom};
    settings.zoom = zoom;
    view_.RequestDisplaySettings(settings);
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    CMainFrame* main = app ? app->MainFrame() : nullptr;
    // The bar shows the active image's settings only.
    if (main && main->ActiveView() == &view_)
        if (CContrastBar* bar = app->ContrastBar()) bar->ShowZoom(zoom);
}

// Runs once the new zoom is on screen (at once, or after a run let go of
// the pixels) and the frame has been refitted.
void ViewZoom::KeepAnchor() {
    if (!anchor_ || NormalizedZoom(view_.GetDocument().Image().display.zoom) != anchor_->zoom) {
        anchor_.reset();
        return;
    }
    const QPointF window = anchor_->display * ScaleOf(anchor_->zoom) - QPointF(0.5, 0.5);
    const QPoint scroll = (window - QPointF(anchor_->viewport)).toPoint();
    view_.horizontalScrollBar()->setValue(scroll.x());
    view_.verticalScrollBar()->setValue(scroll.y());
    anchor_.reset();
}

QSize ViewZoom::RoomForImage() const {
    CChildFrame* frame = view_.Frame();
    if (!frame) return view_.viewport()->size();
    const QSize edges = frame->Decoration() + QSize(2 * view_.frameWidth(), 2 * view_.frameWidth());
    if (frame->isMaximized() || !frame->mdiArea()) return view_.maximumViewportSize();
    return frame->mdiArea()->viewport()->size() - edges;
}

void ViewZoom::FitToWindow() {
    const CImage& image = view_.GetDocument().Image();
    if (!view_.GetDocument().HasImage()) return;
    const int32_t zoom = FittingZoom(image.Width, image.Height, RoomForImage());
    CChildFrame* frame = view_.Frame();
    // From the top-left corner the window has the whole area to grow into.
    if (frame && !frame->isMaximized()) frame->move(0, 0);
    if (NormalizedZoom(view_.ShownSettings().zoom) == zoom) {
        view_.FitFrame();
        return;
    }
    SetZoom(zoom, {});
}

bool ViewZoom::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the viewport also reports events while the view is
    // being destroyed, when the view must not be asked anything.
    if (event->type() != QEvent::Wheel || watched != viewport_) return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
    // Fine-grained wheels send parts of a notch; whole notches make steps.
    wheelRemainder_ += wheel->angleDelta().y();
    const int steps = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= steps * kWheelNotch;
    if (steps != 0) ZoomAbout(steps, wheel->position().toPoint());
    wheel->accept();
    return true;
}

int32_t FittingZoom(int32_t width, int32_t height, QSize room) {
    for (int32_t zoom = kZoomStepCount - 1; zoom > 0; --zoom) {
        const DisplaySize size = ZoomedSize(width, height, zoom);
        if (size.width <= room.width() && size.height <= room.height()) return zoom;
    }
    return 0;
}

bool IsZoomCommand(int id) {
    return id == Cmd::ViewZoomIn || id == Cmd::ViewZoomOut || id == Cmd::ViewFitToWindow;
}

CommandState ZoomCommandState(const CQuorvaneView* view, int id) {
    CommandState state;
    const ViewZoom* zoom = view ? ViewZoom::Of(*view) : nullptr;
    if (!zoom) return state;
    if (id == Cmd::ViewZoomIn) state.enabled = zoom->CanZoom(1);
    if (id == Cmd::ViewZoomOut) state.enabled = zoom->CanZoom(-1);
    if (id == Cmd::ViewFitToWindow) state.enabled = view->GetDocument().HasImage();
    return state;
}

void RunZoomCommand(CQuorvaneView* view, int id) {
    ViewZoom* zoom = view ? ViewZoom::Of(*view) : nullptr;
    if (!zoom || !ZoomCommandState(view, id).enabled) return;
    if (id == Cmd::ViewZoomIn) zoom->ZoomAboutCentre(1);
    if (id == Cmd::ViewZoomOut) zoom->ZoomAboutCentre(-1);
    if (id == Cmd::ViewFitToWindow) zoom->FitToWindow();
}

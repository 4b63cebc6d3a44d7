#include "app/child_frame.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <algorithm>

#include "app/pictures.h"
#include "app/pixel_readout.h"
#include "app/pixel_guard.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"

CChildFrame::CChildFrame(CQuorvaneView* view, QWidget* parent) : QMdiSubWindow(parent) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(ApplicationIcon());
    setMouseTracking(true);
    CQuorvaneDoc& document = view->GetDocument();
    connect(&document, &CQuorvaneDoc::modifiedChanged, this, &CChildFrame::UpdateTitle);
    connect(&document, &CQuorvaneDoc::pathChanged, this, &CChildFrame::UpdateTitle);
    // New pixels (a run's redisplay, another iteration shown), a zoom about
    // the middle, or the end of a run (whose pixels may have been busy at the
    // last reading) change what lies under a mouse that has not moved.
    connect(view, &CQuorvaneView::displaySettingsApplied, this, &CChildFrame::RefreshReadouts);
    connect(view, &CQuorvaneView::reviewChanged, this, &CChildFrame::RefreshReadouts);
    UpdateTitle();
}

void CChildFrame::RefreshReadouts() {
    if (mouse_) UpdateCursorPosition(*mouse_);
}

CQuorvaneView* CChildFrame::View() const { return qobject_cast<CQuorvaneView*>(widget()); }

CQuorvaneDoc& CChildFrame::GetDocument() const { return View()->GetDocument(); }

// The change mark is written out rather than left to the "[*]" placeholder,
// which a maximized image's title carries into the main window unreplaced.
void CChildFrame::UpdateTitle() {
    setWindowTitle(GetDocument().Title() + (GetDocument().IsModified() ? QStringLiteral("*") : QString()));
}

QSize CChildFrame::Decoration() const {
    QStyleOptionTitleBar option;
    option.initFrom(this);
    const int edge = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, &option, this);
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this);
    return {2 * edge, title + edge};
}

void CChildFrame::UpdateSizeLimit() {
    CQuorvaneView* view = View();
    if (!view) return;
    const DisplaySize display = GetDocument().GetDisplaySize();
    // A style with wider edges than the classic ones still shows the whole image.
    const QSize needed = Decoration() + QSize(2 * view->frameWidth(), 2 * view->frameWidth());
    setMaximumSize(display.width + std::max(kExtraWidth, needed.width()),
                   display.height + std::max(kExtraHeight, needed.height()));
}

void CChildFrame::UpdateCursorPosition(QPoint framePoint) {
    CQuorvaneView* view = View();
    if (!view || !GetDocument().HasImage()) return;
    const QPoint unclipped = view->ViewportToImage(view->viewport()->mapFrom(this, framePoint));
    CQuorvaneApp* app = CQuorvaneApp::Instance();
    CrosshairWindow* crosshairs = app ? app->Crosshairs() : nullptr;
    const CImage& image = GetDocument().Image();
    cursor_ = {std::clamp(unclipped.x(), 0, image.Width - 1), std::clamp(unclipped.y(), 0, image.Height - 1)};
    mouse_ = framePoint;
    ShowPixelReadout(*this, unclipped);
    if (!crosshairs) return;
    if (const PixelReadGuard guard(GetDocument()); guard.CanRead()) {
        crosshairs->ShowReadouts(*view, unclipped.x(), unclipped.y());
        app->SetMeasuredDocument(&GetDocument());
    }
}

void CChildFrame::mouseMoveEvent(QMouseEvent* event) {
    // Over the frame's edges too, so that the readouts follow to the border.
    UpdateCursorPosition(event->position().toPoint());
    QMdiSubWindow::mouseMoveEvent(event);
}

void CChildFrame::leaveEvent(QEvent* event) {
    mouse_.reset();
    ClearPixelReadout();
    QMdiSubWindow::leaveEvent(event);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    CQuorvaneView* view = View();
    if (view && !view->GetDocument().CanCloseFrame()) {
        event->ignore();
        return;
    }
    event->accept();
    ClearPixelReadout();
    if (view) view->GetDocument().OnCloseDocument();
    QMdiSubWindow::closeEvent(event);
}

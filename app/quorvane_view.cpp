#include "app/quorvane_view.h"

#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/undo_history.h"
#include "app/iteration_review.h"
#include "app/contrast_bar.h"
#include "app/fits_orientation.h"
#include "app/menus.h"
#include "app/pictures.h"
#include "app/pixel_guard.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/view_zoom.h"

namespace {

const QColor kStarColour(255, 0, 0);
const QColor kSelectionColour(0, 255, 0);
// A pick the engine would skip, or that would spoil the PSF.
const QColor kRejectedStarColour(255, 200, 0);
// Arms of a star mark, in window pixels either side of the star.
constexpr int kMarkArm = 8;
// A click this close to a star (in image pixels, each axis) unpicks it.
constexpr int kUnpickDistance = 5;
// Window squares repainted around a click that unpicks or picks a star.
constexpr int kUnpickRepaint = 15;
constexpr int kPickRepaint = 10;
// How soon settings that found the pixels busy try again.
constexpr int kPendingRetryMs = 20;

QVector<QRgb> ColourTableOf(const DisplayBitmap& bitmap) {
    QVector<QRgb> colours(kColourTableSize);
    for (int i = 0; i < kColourTableSize; ++i) {
        const RgbQuad& entry = bitmap.colours[size_t(i)];
        colours[i] = qRgb(entry.red, entry.green, entry.blue);
    }
    return colours;
}

}  // namespace

CQuorvaneView::CQuorvaneView(CQuorvaneDoc& document, CQuorvaneApp& app, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), app_(app), undo_(std::make_unique<UndoHistory>()),
      review_(std::make_shared<IterationReview>()) {
    // A thin edge, so that a frame at its size limit shows every pixel.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    palette_ = PaletteEntries(kDefaultWindowLo, kDefaultWindowHi);
    connect(&document_, &CQuorvaneDoc::viewsNeedRepaint, viewport(), qOverload<>(&QWidget::update));
    connect(&app_, &CQuorvaneApp::stateChanged, this, &CQuorvaneView::UpdateCursorShape);
    connect(&document_, &CQuorvaneDoc::flipped, this, &CQuorvaneView::MirrorSelection);
    pendingTimer_.setSingleShot(true);
    pendingTimer_.setInterval(kPendingRetryMs);
    connect(&pendingTimer_, &QTimer::timeout, this, &CQuorvaneView::ApplyPendingWhenFree);
    connect(&FitsOrientation::Instance(), &FitsOrientation::changed, viewport(), qOverload<>(&QWidget::update));
    UpdateCursorShape();
    new ViewZoom(*this);
}

CQuorvaneView::~CQuorvaneView() = default;

CChildFrame* CQuorvaneView::Frame() const {
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* frame = qobject_cast<CChildFrame*>(up)) return frame;
    }
    return nullptr;
}

void CQuorvaneView::OnInitialUpdate(QPoint at) {
    UpdateScrollBars();
    if (CChildFrame* frame = Frame()) {
        const DisplaySize display = document_.GetDisplaySize();
        frame->UpdateSizeLimit();
        frame->move(at);
        frame->resize(display.width + CChildFrame::kExtraWidth, display.height + CChildFrame::kExtraHeight);
    }
    FitFrame();
}

void CQuorvaneView::FitFrame() {
    CChildFrame* frame = Frame();
    if (!frame) return;
    frame->UpdateSizeLimit();
    const DisplaySize display = document_.GetDisplaySize();
    const QSize border = frame->Decoration() + QSize(2 * frameWidth(), 2 * frameWidth());
    int width = display.width;
    int height = display.height;
    if (QMdiArea* area = frame->mdiArea()) {
        const QSize room = area->viewport()->size();
        const QPoint at = frame->isMaximized() ? QPoint() : frame->pos();
        if (width + at.x() + border.width() > room.width()) width = room.width() - border.width() - at.x();
        if (height + at.y() + border.height() > room.height()) height = room.height() - border.height() - at.y();
    }
    if (!frame->isMaximized()) frame->resize(std::max(width, 1) + border.width(), std::max(height, 1) + border.height());
    UpdateScrollBars();
}

void CQuorvaneView::OnActivateView() {
    if (CContrastBar* bar = app_.ContrastBar()) bar->LoadSettings(ShownSettings());
}

const DisplaySettings& CQuorvaneView::ShownSettings() const {
    return pending_ ? *pending_ : document_.Image().display;
}

void CQuorvaneView::RequestDisplaySettings(const DisplaySettings& settings) {
    if (const PixelReadGuard guard(document_); guard.CanRead()) {
        ApplyDisplaySettings(settings);
        return;
    }
    // Nothing of the change is applied now: a stored zoom without its refit,
    // or a reset colour table without its remap, would show a wrong picture.
    pending_ = settings;
    pendingTimer_.start();
}

void CQuorvaneView::ReapplyDisplaySettings() { ApplyDisplaySettings(ShownSettings()); }

void CQuorvaneView::ApplyPendingWhenFree() {
    if (!pending_) return;
    if (const PixelReadGuard guard(document_); guard.CanRead()) {
        ApplyDisplaySettings(*pending_);
        return;
    }
    pendingTimer_.start();
}

void CQuorvaneView::ApplyDisplaySettings(const DisplaySettings& settings) {
    pending_.reset();
    pendingTimer_.stop();
    const int32_t previousZoom = document_.Image().display.zoom;
    document_.Image().display = settings;
    document_.BuildDisplayBitmap();
    RedoPalette(kDefaultWindowLo, kDefaultWindowHi);
    // The before picture follows the new settings.
    if (showingBefore_ || splitCompare_) MapBeforeBitmap();
    viewport()->update();
    if (settings.zoom != previousZoom) FitFrame();
    emit displaySettingsApplied();
}

void CQuorvaneView::RedoPalette(int32_t lo, int32_t hi) {
    palette_ = PaletteEntries(lo, hi);
    // No display Qt drives animates a hardware palette, so the greys stay
    // with the view and only the colour table changes what is seen.
    SetColourTable(document_.Bitmap(), kDefaultWindowLo, kDefaultWindowHi, document_.Image().display.invert != 0);
}

QPoint CQuorvaneView::ScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPoint CQuorvaneView::ViewportToImage(QPoint viewportPoint) const {
    const QPoint window = viewportPoint + ScrollPosition();
    const CImage& image = document_.Image();
    const int32_t row = WindowToImage(window.y(), image.display.zoom);
    return {WindowToImage(window.x(), image.display.zoom), DisplayRowOf(row, image.Height, ShowsRowsBottomUp(image))};
}

QPoint CQuorvaneView::ImageToViewport(QPoint imagePoint) const {
    const CImage& image = document_.Image();
    const int32_t zoom = image.display.zoom;
    const int32_t row = DisplayRowOf(imagePoint.y(), image.Height, ShowsRowsBottomUp(image));
    return QPoint(ImageToWindow(imagePoint.x(), zoom), ImageToWindow(row, zoom)) - ScrollPosition();
}

void CQuorvaneView::UpdateScrollBars() {
    const DisplaySize display = document_.GetDisplaySize();
    // Judged on the room without scroll bars, so that bars shown once do
    // not keep themselves up by taking that room.
    const QSize most = maximumViewportSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    QSize room = most;
    if (display.width > most.width() || display.height > most.height()) {
        if (display.width > most.width()) room.rheight() -= bar;
        if (display.height > room.height()) room.rwidth() -= bar;
        if (display.width > room.width() && room.height() == most.height()) room.rheight() -= bar;
    }
    horizontalScrollBar()->setRange(0, std::max(0, display.width - room.width()));
    verticalScrollBar()->setRange(0, std::max(0, display.height - room.height()));
    horizontalScrollBar()->setPageStep(std::max(1, room.width()));
    verticalScrollBar()->setPageStep(std::max(1, room.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, display.width / 100));
    verticalScrollBar()->setSingleStep(std::max(1, display.height / 100));
}

void CQuorvaneView::Draw(QPainter& painter, const QRect& exposed) const {
    const DisplaySize display = document_.GetDisplaySize();
    const QRect picture(-ScrollPosition(), QSize(display.width, display.height));
    // Around the picture, the window's own background.
    for (const QRect& part : QRegion(exposed).subtracted(picture)) painter.fillRect(part, palette().window());
    if (splitCompare_ && beforeBitmap_) {
        const int divider = SplitDivider();
        QRect left = exposed, right = exposed;
        left.setRight(divider - 1);
        right.setLeft(divider);
        DrawPicture(painter, left & picture, *beforeBitmap_);
        DrawPicture(painter, right & picture, document_.Bitmap());
    } else {
        DrawPicture(painter, exposed & picture, ShownBitmap());
    }
    if (!showMarks) return;
    if (splitCompare_) {
        // Inverting what is under it, the divider shows on any image.
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 0));
        painter.drawLine(SplitDivider(), exposed.top(), SplitDivider(), exposed.bottom());
        painter.restore();
    }
    if (!document_.Stars().empty()) {
        for (const StarPoint& star : document_.Stars()) {
            const bool good = pickChecks_.Of(star) == StarCheck::ok;
            painter.setPen(QPen(good ? kStarColour : kRejectedStarColour, 0));
            const QPoint at = ImageToViewport({star.x, star.y});
            painter.drawLine(at.x() - kMarkArm, at.y(), at.x() + kMarkArm, at.y());
            painter.drawLine(at.x(), at.y() - kMarkArm, at.x(), at.y() + kMarkArm);
        }
    }
    if (hasSelection_ || dragging_) {
        const QPoint topLeft = ImageToViewport({selection_.left, selection_.top});
        const QPoint bottomRight = ImageToViewport({selection_.right, selection_.bottom});
        painter.save();
        // An outline that inverts what is under it shows on any image.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(kSelectionColour, 0, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(topLeft, bottomRight).normalized().adjusted(0, 0, -1, -1));
        painter.restore();
    }
}

// One bitmap into the part `clip` of the picture, at the zoom and scroll.
void CQuorvaneView::DrawPicture(QPainter& painter, const QRect& clip, const DisplayBitmap& bitmap) const {
    if (!bitmap.IsCreated() || clip.isEmpty()) return;
    const DisplaySize display = document_.GetDisplaySize();
    const QRect picture(-ScrollPosition(), QSize(display.width, display.height));
    QImage indices(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_Indexed8);
    // The before picture shares the image's current colour table.
    indices.setColorTable(ColourTableOf(document_.Bitmap()));
    painter.save();
    painter.setClipRect(clip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (ShowsRowsBottomUp(document_.Image())) {
        // Mirrored on the way to the screen only; the bitmap keeps the stored order.
        painter.translate(picture.left(), picture.top() + picture.height());
        painter.scale(1, -1);
        painter.drawImage(QRect(QPoint(0, 0), picture.size()), indices, indices.rect());
    } else {
        painter.drawImage(picture, indices, indices.rect());
    }
    painter.restore();
}

void CQuorvaneView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    Draw(painter, event->rect());
}

void CQuorvaneView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CQuorvaneView::scrollContentsBy(int, int) { viewport()->update(); }

void CQuorvaneView::mousePressEvent(QMouseEvent* event) {
    CChildFrame* frame = Frame();
    const QPoint at = event->position().toPoint();
    if (frame) frame->UpdateCursorPosition(viewport()->mapTo(frame, at));
    if (event->button() == Qt::RightButton) {
        QMenu* menu = BuildContextMenu(this);
        menu->exec(viewport()->mapToGlobal(at));
        delete menu;
        return;
    }
    if (event->button() != Qt::LeftButton || !frame || !document_.HasImage()) return;
    // In the split compare the divider is dragged from wherever it is.
    if (splitCompare_ && NearDivider(at)) {
        draggingDivider_ = true;
        return;
    }
    const QPoint cursor = frame->CursorPosition();
    switch (app_.ClickMode()) {
    case kSelectArea: StartSelection(cursor); break;
    case kSelectPsfs: PickStar(cursor, at); break;
    default: ProfileClick(cursor); break;
    }
}

void CQuorvaneView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (CChildFrame* frame = Frame()) frame->UpdateCursorPosition(viewport()->mapTo(frame, at));
    if (draggingDivider_) {
        SetSplitDivider(at.x());
        return;
    }
    if (splitCompare_) {
        if (NearDivider(at)) viewport()->setCursor(Qt::SplitHCursor);
        else UpdateCursorShape();
    }
    if (!dragging_) return;
    const SelectionRect before = selection_;
    const QPoint corner = ViewportToImage(at);
    selection_.right = corner.x();
    selection_.bottom = corner.y();
    InvalidateOutline(before);
    InvalidateOutline(selection_);
}

void CQuorvaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) draggingDivider_ = false;
    if (event->button() == Qt::LeftButton && dragging_) EndSelection();
}

void CQuorvaneView::StartSelection(QPoint cursor) {
    if (hasSelection_) InvalidateOutline(selection_);
    hasSelection_ = false;
    selection_ = {cursor.x(), cursor.y(), cursor.x(), cursor.y()};
    dragging_ = true;
    InvalidateOutline(selection_);
}

void CQuorvaneView::EndSelection() {
    dragging_ = false;
    hasSelection_ = selection_.left != selection_.right || selection_.top != selection_.bottom;
    if (selection_.left > selection_.right) std::swap(selection_.left, selection_.right);
    if (selection_.top > selection_.bottom) std::swap(selection_.top, selection_.bottom);
    InvalidateOutline(selection_);
    emit commandStateChanged();
}

void CQuorvaneView::PickStar(QPoint cursor, QPoint clickInViewport) {
    std::vector<StarPoint>& stars = document_.Stars();
    for (size_t i = 0; i < stars.size(); ++i) {
        if (std::abs(cursor.x() - stars[i].x) < kUnpickDistance && std::abs(cursor.y() - stars[i].y) < kUnpickDistance) {
            const QPoint removed(stars[i].x, stars[i].y);
            document_.RemoveStarAt(i);
            viewport()->update(QRect(clickInViewport - QPoint(kUnpickRepaint, kUnpickRepaint),
                                     QSize(2 * kUnpickRepaint + 1, 2 * kUnpickRepaint + 1)));
            // At high zoom the mark can reach past that square.
            InvalidateMark(removed);
            emit commandStateChanged();
            return;
        }
    }
    const StarPoint star{cursor.x(), cursor.y()};
    document_.AddStar(star);
    // The engine's rules need the pixels, which a run may be writing.
    if (!document_.IsRunning()) {
        const QString why = PickCheckMessage(star, pickChecks_.Check(document_.Image(), star));
        if (CMainFrame* frame = app_.MainFrame(); frame && !why.isEmpty()) frame->SetMessageText(why);
    }
    viewport()->update(QRect(clickInViewport - QPoint(kPickRepaint, kPickRepaint),
                             QSize(2 * kPickRepaint + 1, 2 * kPickRepaint + 1)));
    InvalidateMark(cursor);
    emit commandStateChanged();
}

void CQuorvaneView::ProfileClick(QPoint cursor) {
    app_.profileSamples = ProfileResult{};
    app_.hasProfileSamples = false;
    if (!app_.Crosshairs()) ShowCrosshairs();
    const CrosshairWindow* crosshairs = app_.Crosshairs();
    const int32_t boxSide = crosshairs ? crosshairs->ListBoxSize() : app_.boxSize;
    const PixelReadGuard guard(document_);
    if (!guard.CanRead()) return;
    app_.profileSamples = MeasureProfile(document_.Image(), cursor.x(), cursor.y(), boxSide);
    app_.hasProfileSamples = true;
    if (ProfileWindow* profile = app_.Profile()) {
        profile->Refresh();
        return;
    }
    const ShellExtensions& extensions = app_.Extensions();
    if (!extensions.createProfileWindow) return;
    if (ProfileWindow* made = extensions.createProfileWindow(window())) {
        app_.SetProfile(made);
        made->Widget()->show();
    }
}

void CQuorvaneView::InvalidateOutline(const SelectionRect& rect) {
    const QRect outline = QRect(ImageToViewport({rect.left, rect.top}), ImageToViewport({rect.right, rect.bottom}))
                              .normalized()
                              .adjusted(-1, -1, 1, 1);
    QRegion edges;
    edges += QRect(outline.left(), outline.top(), outline.width(), 3);
    edges += QRect(outline.left(), outline.bottom() - 2, outline.width(), 3);
    edges += QRect(outline.left(), outline.top(), 3, outline.height());
    edges += QRect(outline.right() - 2, outline.top(), 3, outline.height());
    viewport()->update(edges);
}

void CQuorvaneView::InvalidateMark(QPoint imagePoint) {
    const QPoint at = ImageToViewport(imagePoint);
    viewport()->update(QRect(at - QPoint(kMarkArm + 1, kMarkArm + 1), QSize(2 * kMarkArm + 3, 2 * kMarkArm + 3)));
}

void CQuorvaneView::UpdateCursorShape() {
    viewport()->setCursor(ClickModeCursor(app_.ClickMode()));
}

// The selection's edges lie between pixels (right and bottom exclusive), so
// they mirror about the image's width and height.
void CQuorvaneView::MirrorSelection(Qt::Orientation orientation) {
    if (!hasSelection_) return;
    const CImage& image = document_.Image();
    if (orientation == Qt::Horizontal) {
        selection_ = {image.Width - selection_.right, selection_.top, image.Width - selection_.left, selection_.bottom};
    } else {
        selection_ = {selection_.left, image.Height - selection_.bottom, selection_.right, image.Height - selection_.top};
    }
    viewport()->update();
}

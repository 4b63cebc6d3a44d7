// Taking changes back and looking at what they did: the view's undo and
// redo of runs, flips and Clean Image, and the before/after compare.
#include <QString>
#include <algorithm>
#include <cstdlib>

#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/undo_history.h"

namespace {
const char* kShowingBefore = "Showing the image before the last change (B shows it after).";
const char* kShowingAfter = "Showing the image after the last change.";
const char* kShowingSplit =
    "Showing the image before the last change left of the divider, after it right (drag the divider to move it).";
// Window pixels either side of the divider that take hold of it.
constexpr int kDividerGrip = 4;
const char* kUndoDropped = "Undo memory full: the oldest %1 step(s) can no longer be undone.";
}  // namespace

WindowState CQuorvaneView::CaptureState() const {
    const CImage& image = document_.Image();
    return {image.pixels,      image.History, image.fitsHistoryCards, image.fitsRecords, image.fileType,
            document_.Stars(), hasSelection_, selection_,             document_.IsModified()};
}

void CQuorvaneView::RestoreState(WindowState state) {
    EndCompare();
    CImage& image = document_.Image();
    if (state.pixels.size() == image.pixels.size()) image.pixels = std::move(state.pixels);
    image.History = std::move(state.history);
    image.fitsHistoryCards = std::move(state.historyCards);
    if (state.fileType == image.fileType) image.fitsRecords = std::move(state.records);
    document_.Stars() = std::move(state.stars);
    hasSelection_ = state.hasSelection;
    selection_ = state.selection;
    document_.Histogram().Invalidate();
    document_.BuildDisplayBitmap();
    RedoPalette(kDefaultWindowLo, kDefaultWindowHi);
    document_.SetModifiedFlag(state.modified);
    pickChecks_.Forget();
    document_.UpdateAllViews();
    viewport()->update();
}

void CQuorvaneView::RecordChange() {
    EndCompare();
    EndChoosing();
    const int dropped = undo_->Record(CaptureState());
    if (dropped > 0)
        if (CMainFrame* frame = app_.MainFrame()) frame->SetMessageText(QString::fromLatin1(kUndoDropped).arg(dropped));
}

void CQuorvaneView::UndoChange() {
    if (document_.IsRunning() || !undo_->CanUndo()) return;
    EndChoosing();
    RestoreState(undo_->Undo(CaptureState()));
}

void CQuorvaneView::RedoChange() {
    if (document_.IsRunning() || !undo_->CanRedo()) return;
    EndChoosing();
    RestoreState(undo_->Redo(CaptureState()));
}

// The before picture through the image's current display settings; false
// when there is no before image of this size.
bool CQuorvaneView::MapBeforeBitmap() {
    const WindowState* before = undo_->Before();
    const CImage& image = document_.Image();
    if (!before || before->pixels.size() != image.pixels.size()) return false;
    if (!beforeBitmap_) beforeBitmap_ = std::make_unique<DisplayBitmap>();
    if (beforeBitmap_->Width() != image.Width || beforeBitmap_->Height() != image.Height)
        beforeBitmap_->Create(image.Width, image.Height);
    if (!beforeBitmap_->IsCreated()) return false;
    MapPixelsToBitmap(before->pixels.data(), image.Width, image.Height, image.display, *beforeBitmap_);
    return true;
}

// Blinks between the image and the one before the last change, with the
// same zoom, contrast and scroll position.
void CQuorvaneView::ToggleCompare() {
    splitCompare_ = false;
    showingBefore_ = !showingBefore_ && MapBeforeBitmap();
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(QString::fromLatin1(showingBefore_ ? kShowingBefore : kShowingAfter));
    UpdateCursorShape();
    viewport()->update();
}

// Before and after side by side at a divider the user drags, with the
// same zoom, contrast and scroll position on both sides.
void CQuorvaneView::ToggleSplitCompare() {
    showingBefore_ = false;
    splitCompare_ = !splitCompare_ && MapBeforeBitmap();
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(QString::fromLatin1(splitCompare_ ? kShowingSplit : kShowingAfter));
    UpdateCursorShape();
    viewport()->update();
}

int CQuorvaneView::SplitDivider() const {
    return int(splitFraction_ * viewport()->width() + 0.5);
}

void CQuorvaneView::SetSplitDivider(int viewportX) {
    const int width = std::max(1, viewport()->width());
    splitFraction_ = std::clamp(double(viewportX) / width, 0.0, 1.0);
    viewport()->update();
}

bool CQuorvaneView::NearDivider(QPoint viewportPoint) const {
    return std::abs(viewportPoint.x() - SplitDivider()) <= kDividerGrip;
}

const DisplayBitmap& CQuorvaneView::ShownBitmap() const {
    return showingBefore_ && beforeBitmap_ ? *beforeBitmap_ : document_.Bitmap();
}

void CQuorvaneView::EndCompare() {
    if (!showingBefore_ && !splitCompare_) return;
    showingBefore_ = splitCompare_ = draggingDivider_ = false;
    UpdateCursorShape();
    viewport()->update();
}

// Taking changes back and looking at what they did: the view's undo and
// redo of runs, flips and Clean Image, and the before/after compare.
#include <QString>

#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/undo_history.h"

namespace {
const char* kShowingBefore = "Showing the image before the last change (B shows it after).";
const char* kShowingAfter = "Showing the image after the last change.";
const char* kUndoDropped = "Undo memory full: the oldest %1 step(s) can no longer be undone.";
}  // namespace

WindowState CQuorvaneView::CaptureState() const {
    const CImage& image = document_.Image();
    return {image.pixels,      image.History, image.fitsHistoryCards, image.fitsRecords,
            document_.Stars(), hasSelection_, selection_,             document_.IsModified()};
}

void CQuorvaneView::RestoreState(WindowState state) {
    EndCompare();
    CImage& image = document_.Image();
    if (state.pixels.size() == image.pixels.size()) image.pixels = std::move(state.pixels);
    image.History = std::move(state.history);
    image.fitsHistoryCards = std::move(state.historyCards);
    image.fitsRecords = std::move(state.records);
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
    const int dropped = undo_->Record(CaptureState());
    if (dropped > 0)
        if (CMainFrame* frame = app_.MainFrame()) frame->SetMessageText(QString::fromLatin1(kUndoDropped).arg(dropped));
}

void CQuorvaneView::UndoChange() {
    if (document_.IsRunning() || !undo_->CanUndo()) return;
    RestoreState(undo_->Undo(CaptureState()));
}

void CQuorvaneView::RedoChange() {
    if (document_.IsRunning() || !undo_->CanRedo()) return;
    RestoreState(undo_->Redo(CaptureState()));
}

// Blinks between the image and the one before the last change, with the
// same zoom, contrast and scroll position.
void CQuorvaneView::ToggleCompare() {
    const WindowState* before = undo_->Before();
    const CImage& image = document_.Image();
    if (!showingBefore_ && before && before->pixels.size() == image.pixels.size()) {
        if (!beforeBitmap_) beforeBitmap_ = std::make_unique<DisplayBitmap>();
        if (beforeBitmap_->Width() != image.Width || beforeBitmap_->Height() != image.Height)
            beforeBitmap_->Create(image.Width, image.Height);
        if (!beforeBitmap_->IsCreated()) return;
        MapPixelsToBitmap(before->pixels.data(), image.Width, image.Height, image.display, *beforeBitmap_);
        showingBefore_ = true;
    } else {
        showingBefore_ = false;
    }
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(QString::fromLatin1(showingBefore_ ? kShowingBefore : kShowingAfter));
    viewport()->update();
}

const DisplayBitmap& CQuorvaneView::ShownBitmap() const {
    return showingBefore_ && beforeBitmap_ ? *beforeBitmap_ : document_.Bitmap();
}

void CQuorvaneView::EndCompare() {
    if (!showingBefore_) return;
    showingBefore_ = false;
    viewport()->update();
}

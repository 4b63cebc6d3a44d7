// Choosing how far a run goes, after it: the view's side of the iteration
// record. During a run the engine leaves the image of each iteration in
// the record (iteration 0 is the image before it); afterwards the window
// shows whichever the user steps to, and that is the image Save writes,
// until Keep Iteration or any new change ends the choosing.
#include <QString>
#include <algorithm>
#include <string>

#include "app/iteration_review.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/undo_history.h"
#include "image/fits_writer.h"

namespace {

const char* kRunCardStart = "HISTORY KESL Quorvane Deconvolve";

// The run's FITS history card: the written one for the run's full count,
// else the count the kept image holds.
std::string RunCard(int iteration, int iterations) {
    std::string card = "HISTORY KESL Quorvane Deconvolve";
    if (iteration != iterations)
        card += ", " + std::to_string(iteration) + " of " + std::to_string(iterations) + " iterations";
    card.resize(kFitsCardChars, ' ');
    return card;
}

}  // namespace

std::shared_ptr<IterationReview> CQuorvaneView::BeginIterationRecord() {
    EndChoosing();
    // Undo and the kept iterations share one budget.
    const uint64_t budget = undo_->Budget() > undo_->Bytes() ? undo_->Budget() - undo_->Bytes() : 0;
    const CImage& image = document_.Image();
    review_->BeginRun(image.pixels.data(), image.pixels.size(), budget);
    emit reviewChanged();
    return review_;
}

void CQuorvaneView::EndIterationRecord(bool completed, int iterations) {
    review_->EndRun(completed, iterations);
    const std::string& cards = document_.Image().fitsHistoryCards;
    runCardAt_ = std::string::npos;
    if (cards.size() >= kFitsCardChars && cards.compare(cards.size() - kFitsCardChars, 32, kRunCardStart) == 0)
        runCardAt_ = cards.size() - kFitsCardChars;
    emit reviewChanged();
    emit commandStateChanged();
}

bool CQuorvaneView::ShowIteration(int iteration) {
    if (!review_->Choosing() || document_.IsRunning()) return false;
    CImage& image = document_.Image();
    if (!review_->CopyIteration(iteration, image.pixels)) return false;
    review_->SetShown(iteration);
    if (runCardAt_ != std::string::npos && runCardAt_ + kFitsCardChars <= image.fitsHistoryCards.size())
        image.fitsHistoryCards.replace(runCardAt_, kFitsCardChars, RunCard(iteration, review_->Iterations()));
    document_.Histogram().Invalidate();
    ReapplyDisplaySettings();
    document_.SetModifiedFlag(true);
    document_.UpdateAllViews();
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(QStringLiteral("Showing iteration %1 of %2: Save writes it; K keeps it.")
                                  .arg(iteration)
                                  .arg(review_->Iterations()));
    emit reviewChanged();
    emit commandStateChanged();
    return true;
}

void CQuorvaneView::StepIteration(int direction) {
    const std::vector<int> kept = review_->Kept();
    const auto at = std::find(kept.begin(), kept.end(), review_->Shown());
    if (at == kept.end()) return;
    const auto next = at + direction;
    if (next < kept.begin() || next >= kept.end()) return;
    ShowIteration(*next);
}

void CQuorvaneView::KeepIteration() {
    if (!review_->Choosing()) return;
    const int kept = review_->Shown(), of = review_->Iterations();
    EndChoosing();
    if (CMainFrame* frame = app_.MainFrame())
        frame->SetMessageText(QStringLiteral("Kept iteration %1 of %2.").arg(kept).arg(of));
}

// The image shown stays; the others go.
void CQuorvaneView::EndChoosing() {
    if (!review_->Choosing()) return;
    review_->Close();
    emit reviewChanged();
    emit commandStateChanged();
}

void CQuorvaneView::SetMemoryBudget(uint64_t bytes) { undo_->SetBudget(bytes); }

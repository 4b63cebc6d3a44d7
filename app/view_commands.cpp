// The image commands of the view: their enable and check rules and what
// they do. Commands whose feature is installed from outside the shell stay
// disabled until it is.
#include <QMenu>

#include "app/child_frame.h"
#include "app/fits_orientation.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/psf_window.h"
#include "app/iteration_review.h"
#include "app/undo_history.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"

bool CQuorvaneView::HandlesCommand(int id) const {
    switch (id) {
    case Cmd::DisplayParameters:
    case Cmd::FlipHorizontal:
    case Cmd::FlipVertical:
    case Cmd::DisplayCrosshairs:
    case Cmd::DisplayModifications:
    case Cmd::DisplayPsf:
    case Cmd::EditUndo:
    case Cmd::EditRedo:
    case Cmd::ViewCompare:
    case Cmd::ViewCompareSplit:
    case Cmd::EarlierIteration:
    case Cmd::LaterIteration:
    case Cmd::KeepIteration:
    case Cmd::CleanImage:
    case Cmd::SelectArea:
    case Cmd::SelectPsfs:
    case Cmd::PickStarsForMe:
    case Cmd::SelectProfiles:
    case Cmd::StartLR:
    case Cmd::AbortLR:
    case Cmd::FilePrint:
    case Cmd::FilePrintDirect:
    case Cmd::FilePrintPreview:
    case Cmd::FileClose:
    case Cmd::FileSave:
    case Cmd::FileSaveAs:
    case Cmd::FitsRowsBottomUp:
        return true;
    default:
        return false;
    }
}

CommandState CQuorvaneView::QueryCommand(int id) const {
    const ShellExtensions& extensions = app_.Extensions();
    const bool busy = app_.IsBusy();
    CommandState state;
    switch (id) {
    case Cmd::DisplayParameters: state.enabled = bool(extensions.showParameters); break;
    case Cmd::DisplayModifications: state.enabled = bool(extensions.showModifications); break;
    // Flip and save wait while a run writes this image's pixels.
    case Cmd::FlipHorizontal:
    case Cmd::FlipVertical:
    case Cmd::FileSave:
    case Cmd::FileSaveAs: state.enabled = !document_.IsRunning(); break;
    case Cmd::FileClose:
    case Cmd::DisplayPsf: state.enabled = true; break;
    case Cmd::EditUndo: state.enabled = !document_.IsRunning() && undo_->CanUndo(); break;
    case Cmd::EditRedo: state.enabled = !document_.IsRunning() && undo_->CanRedo(); break;
    case Cmd::ViewCompare:
        state.enabled = !document_.IsRunning() && undo_->Before() != nullptr;
        state.checkable = true;
        state.checked = showingBefore_;
        break;
    case Cmd::ViewCompareSplit:
        state.enabled = !document_.IsRunning() && undo_->Before() != nullptr;
        state.checkable = true;
        state.checked = splitCompare_;
        break;
    case Cmd::EarlierIteration:
        state.enabled = review_->Choosing() && !review_->Kept().empty() && review_->Shown() > review_->Kept().front();
        break;
    case Cmd::KeepIteration: state.enabled = review_->Choosing(); break;
    case Cmd::LaterIteration: state.enabled = review_->Choosing() && review_->Shown() < review_->Iterations(); break;
    case Cmd::DisplayCrosshairs:
        state.enabled = !app_.Crosshairs() && bool(extensions.createCrosshairWindow);
        break;
    case Cmd::CleanImage: state.enabled = !document_.Stars().empty() || hasSelection_; break;
    case Cmd::SelectArea:
    case Cmd::SelectPsfs:
        state.enabled = !busy;
        state.checkable = true;
        state.checked = app_.ClickMode() == (id == Cmd::SelectArea ? kSelectArea : kSelectPsfs);
        break;
    // Reads the pixels, so not while a run writes them; like Select PSFs, not during any run.
    case Cmd::PickStarsForMe: state.enabled = !busy && !document_.IsRunning() && document_.HasImage(); break;
    case Cmd::SelectProfiles:
        state.enabled = true;
        state.checkable = true;
        state.checked = app_.ClickMode() == kSelectProfiles;
        break;
    case Cmd::StartLR:
        state.enabled = !busy && !document_.Stars().empty() && bool(extensions.startDeconvolution);
        break;
    case Cmd::AbortLR: state.enabled = busy && bool(extensions.abortDeconvolution); break;
    case Cmd::FilePrint:
    case Cmd::FilePrintDirect: state.enabled = bool(extensions.print); break;
    case Cmd::FilePrintPreview: state.enabled = bool(extensions.printPreview); break;
    case Cmd::FitsRowsBottomUp:
        state.enabled = true;
        state.checkable = true;
        state.checked = FitsOrientation::Instance().RowsBottomUp();
        break;
    default: break;
    }
    return state;
}

void CQuorvaneView::OnCommand(int id) {
    if (!QueryCommand(id).enabled) return;
    ShellExtensions& extensions = app_.Extensions();
    switch (id) {
    case Cmd::DisplayParameters: extensions.showParameters(*this); break;
    case Cmd::DisplayModifications: extensions.showModifications(*this); break;
    case Cmd::FlipHorizontal:
        RecordChange();
        document_.FlipHorizontal();
        break;
    case Cmd::FlipVertical:
        RecordChange();
        document_.FlipVertical();
        break;
    case Cmd::EditUndo: UndoChange(); break;
    case Cmd::EditRedo: RedoChange(); break;
    case Cmd::ViewCompare: ToggleCompare(); break;
    case Cmd::ViewCompareSplit: ToggleSplitCompare(); break;
    case Cmd::EarlierIteration: StepIteration(-1); break;
    case Cmd::LaterIteration: StepIteration(+1); break;
    case Cmd::KeepIteration: KeepIteration(); break;
    case Cmd::FileSave: document_.DoFileSave(); break;
    case Cmd::FileSaveAs: document_.DoSaveAs(); break;
    case Cmd::FileClose:
        if (CChildFrame* frame = Frame()) frame->close();
        break;
    case Cmd::DisplayCrosshairs: ShowCrosshairs(); break;
    case Cmd::DisplayPsf: ShowPsfWindow(*this); break;
    case Cmd::CleanImage:
        RecordChange();
        CleanImage();
        break;
    case Cmd::SelectArea: app_.SetClickMode(kSelectArea); break;
    case Cmd::SelectPsfs: app_.SetClickMode(kSelectPsfs); break;
    case Cmd::PickStarsForMe: PickStarsForMe(); break;
    case Cmd::SelectProfiles: app_.SetClickMode(kSelectProfiles); break;
    case Cmd::StartLR:
        RecordChange();
        extensions.startDeconvolution(*this);
        // Cancelled in the dialog: nothing to take back.
        if (!document_.IsRunning()) undo_->DropNewest();
        break;
    case Cmd::AbortLR: {
        // The run belongs to the image it started on, whichever window asks.
        CQuorvaneDoc* running = app_.RunningDocument();
        CQuorvaneView* runningView = running ? app_.MainFrame()->ViewOf(*running) : nullptr;
        extensions.abortDeconvolution(runningView ? *runningView : *this);
        break;
    }
    case Cmd::FilePrint:
    case Cmd::FilePrintDirect: extensions.print(*this); break;
    case Cmd::FilePrintPreview: extensions.printPreview(*this); break;
    case Cmd::FitsRowsBottomUp:
        FitsOrientation::Instance().SetRowsBottomUp(!FitsOrientation::Instance().RowsBottomUp());
        break;
    default: break;
    }
    emit commandStateChanged();
}

QMenu* CQuorvaneView::BuildContextMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    for (const MenuEntry& entry : ContextMenuEntries()) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(entry.text));
        const CommandState state = QueryCommand(entry.id);
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        action->setChecked(state.checked);
        action->setData(entry.id);
        action->setStatusTip(CommandPrompt(entry.id));
        const int id = entry.id;
        // Commands go through the main window, as from its menus, so that
        // they reach whichever view is active.
        connect(action, &QAction::triggered, app_.MainFrame(), [this, id] { app_.MainFrame()->OnCommand(id); });
    }
    return menu;
}

void CQuorvaneView::ShowCrosshairs() {
    const ShellExtensions& extensions = app_.Extensions();
    if (app_.Crosshairs() || !extensions.createCrosshairWindow) return;
    if (CrosshairWindow* made = extensions.createCrosshairWindow(window())) {
        app_.SetCrosshairs(made);
        made->Widget()->show();
    }
}

void CQuorvaneView::CleanImage() {
    if (hasSelection_) InvalidateOutline(selection_);
    hasSelection_ = false;
    document_.ClearStars();
    document_.UpdateAllViews();
}

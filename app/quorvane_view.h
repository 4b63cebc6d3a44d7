#pragma once
// The scrolling window that shows one image: the display bitmap stretched
// to the zoom, the picked stars and the selection rectangle over it, and
// the left click of the current click mode (drag a rectangle, pick or
// unpick a star, sample a stellar profile). Runs the image commands of its
// context menu.

#include <QAbstractScrollArea>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/commands.h"
#include "app/display/display.h"
#include "app/pick_checks.h"

class CChildFrame;
class CQuorvaneApp;
class CQuorvaneDoc;
class IterationReview;
class QMenu;
class UndoHistory;
struct WindowState;

// A rectangle of image coordinates; sorted (left <= right, top <= bottom)
// once a drag has ended.
struct SelectionRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const SelectionRect&, const SelectionRect&) = default;
};

class CQuorvaneView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CQuorvaneView(CQuorvaneDoc& document, CQuorvaneApp& app, QWidget* parent = nullptr);
    ~CQuorvaneView() override;

    CQuorvaneDoc& GetDocument() const { return document_; }
    CChildFrame* Frame() const;

    // Scroll sizes from the display size, then the frame placed (at the
    // top-left unless told otherwise) and fitted.
    void OnInitialUpdate(QPoint at = {});
    // Sizes the frame to show the whole display where the main window has
    // room, and scroll bars for the rest.
    void FitFrame();
    // The view became the active one: loads its settings into the contrast bar.
    void OnActivateView();

    // The contrast bar's settings for this image: remap, redraw, refit on a zoom change.
    void ApplyDisplaySettings(const DisplaySettings& settings);
    // The same, or, while a run is writing the pixels, the whole change kept
    // and applied at the first moment they are free.
    void RequestDisplaySettings(const DisplaySettings& settings);
    // The run's redisplay: the waiting settings if any, else the image's own.
    void ReapplyDisplaySettings();
    // Settings waiting for the pixels (or the image's own when none wait).
    const DisplaySettings& ShownSettings() const;
    bool HasPendingSettings() const { return pending_.has_value(); }
    // New palette greys for (lo, hi); the colour table goes back to the
    // default window with the image's inversion.
    void RedoPalette(int32_t lo, int32_t hi);
    const PaletteGreys& Palette() const { return palette_; }

    QPoint ScrollPosition() const;
    // A point of the viewport as an image pixel (not clipped).
    QPoint ViewportToImage(QPoint viewportPoint) const;
    // An image pixel as a point of the viewport.
    QPoint ImageToViewport(QPoint imagePoint) const;

    const SelectionRect& Selection() const { return selection_; }
    bool HasSelection() const { return hasSelection_; }
    bool IsDragging() const { return dragging_; }
    // The engine's verdict on each pick, made when it was picked.
    const PickChecks& Checks() const { return pickChecks_; }
    // Undo/redo of runs, flips and Clean Image, and the before/after compare.
    const UndoHistory& History() const { return *undo_; }
    bool ShowingBefore() const { return showingBefore_; }
    // The picture Draw shows: the image's bitmap, or the one before the last change.
    const DisplayBitmap& ShownBitmap() const;
    // The split compare: before left of the divider, after right of it; the
    // divider in viewport pixels.
    bool ComparingSplit() const { return splitCompare_; }
    int SplitDivider() const;
    void SetSplitDivider(int viewportX);
    // The before picture, when a compare shows it.
    const DisplayBitmap* BeforeBitmap() const { return beforeBitmap_.get(); }

    // Choosing an iteration after a run (view_iterations.cpp).
    const IterationReview& Iterations() const { return *review_; }
    // When the run's worker starts: the record, iteration 0 taken. The run
    // holds it until its worker is gone, which may be after the view.
    std::shared_ptr<IterationReview> BeginIterationRecord();
    // The run is over and its history entry made.
    void EndIterationRecord(bool completed, int iterations);
    // Shows the image of that iteration of the last run (while choosing);
    // Save then writes it. False when it is not held.
    bool ShowIteration(int iteration);
    // The record changed (a step measured, a run ended, an iteration shown).
    void NotifyReviewChanged() { emit reviewChanged(); }
    // Lets the memory budget of undo and of the kept iterations be changed
    // (tests); the undo entries are fitted at once.
    void SetMemoryBudget(uint64_t bytes);

    // Cleared only while painting for the printer.
    bool showMarks = true;

    bool HandlesCommand(int id) const;
    CommandState QueryCommand(int id) const;
    void OnCommand(int id);
    // The context menu with its entries' current states (shown at globalPos
    // when exec is true; tests inspect it without showing).
    QMenu* BuildContextMenu(QWidget* parent) const;

    // Draws the image and, while showMarks is set, the stars and the selection.
    void Draw(QPainter& painter, const QRect& exposed) const;

signals:
    // Something that enable rules read has changed (stars, selection).
    void commandStateChanged();
    // New display settings are on screen (and the frame refitted to a new zoom).
    void displaySettingsApplied();
    // The run's record or the choice of iteration changed.
    void reviewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateScrollBars();
    void StartSelection(QPoint cursor);
    void PickStar(QPoint cursor, QPoint clickInViewport);
    void ProfileClick(QPoint cursor);
    void EndSelection();
    void InvalidateOutline(const SelectionRect& rect);
    void InvalidateMark(QPoint imagePoint);
    void ShowCrosshairs();
    void CleanImage();
    void UpdateCursorShape();
    void MirrorSelection(Qt::Orientation orientation);
    void ApplyPendingWhenFree();
    // Adds the engine's automatic picks to the user's (view_pick_stars.cpp).
    void PickStarsForMe();

    CQuorvaneDoc& document_;
    CQuorvaneApp& app_;
    SelectionRect selection_;
    bool hasSelection_ = false;
    bool dragging_ = false;
    PaletteGreys palette_{};
    std::optional<DisplaySettings> pending_;
    QTimer pendingTimer_;
    PickChecks pickChecks_;

    // Undo, redo and compare (view_review.cpp).
    WindowState CaptureState() const;
    void RestoreState(WindowState state);
    void RecordChange();
    void UndoChange();
    void RedoChange();
    void ToggleCompare();
    void ToggleSplitCompare();
    bool MapBeforeBitmap();
    void EndCompare();
    bool NearDivider(QPoint viewportPoint) const;
    void DrawPicture(QPainter& painter, const QRect& clip, const DisplayBitmap& bitmap) const;
    std::unique_ptr<UndoHistory> undo_;
    std::unique_ptr<DisplayBitmap> beforeBitmap_;
    bool showingBefore_ = false;
    bool splitCompare_ = false;
    bool draggingDivider_ = false;
    double splitFraction_ = 0.5;

    // Choosing an iteration (view_iterations.cpp).
    void StepIteration(int direction);
    void KeepIteration();
    void EndChoosing();
    std::shared_ptr<IterationReview> review_;
    // Where the run's history card starts in the FITS history cards.
    size_t runCardAt_ = 0;
};

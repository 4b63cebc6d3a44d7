#pragma once
// The window of one image inside the main window. It cannot grow larger
// than the image at its zoom, keeps the image pixel under the mouse (for
// the clicks and the crosshair readouts) and asks its document before it
// closes.

#include <QMdiSubWindow>
#include <QPoint>
#include <optional>

class CQuorvaneDoc;
class CQuorvaneView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // The frame's size beyond the display size at its limit.
    static constexpr int kExtraWidth = 12;
    static constexpr int kExtraHeight = 31;

    explicit CChildFrame(CQuorvaneView* view, QWidget* parent = nullptr);

    CQuorvaneView* View() const;
    CQuorvaneDoc& GetDocument() const;

    // The image pixel under the mouse, clipped to the image.
    QPoint CursorPosition() const { return cursor_; }
    // Takes a point of the frame (its own coordinates) as the new mouse
    // position: updates the crosshair readouts and the clipped position.
    void UpdateCursorPosition(QPoint framePoint);

    // The largest size: the display size plus the frame's edges, so the
    // window never shows more than the image.
    void UpdateSizeLimit();
    // Title bar and edges around the view.
    QSize Decoration() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void UpdateTitle();
    // The status bar's and the crosshair window's readouts again, for the
    // mouse where it rests.
    void RefreshReadouts();

    QPoint cursor_;
    // The mouse over this window (frame coordinates), while it is.
    std::optional<QPoint> mouse_;
};

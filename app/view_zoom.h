#pragma once
// Zooming an image window as other viewers do: Ctrl+wheel steps the Mag
// level about the point under the mouse, the zoom keys about the middle of
// the window, and "Fit to Window" picks the largest level at which the
// whole image shows. The point zoomed about stays where it was on screen.
// The levels are the contrast bar's five Mag steps; the change goes
// through the same settings path as the bar's, so a run that holds the
// pixels delays it whole.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <cstdint>
#include <optional>

#include "app/commands.h"

class CQuorvaneView;

class ViewZoom : public QObject {
    Q_OBJECT
public:
    // Made as a child of the view; watches its viewport's wheel.
    explicit ViewZoom(CQuorvaneView& view);
    static ViewZoom* Of(const CQuorvaneView& view);

    // steps Mag levels in (positive) or out about a point of the viewport.
    void ZoomAbout(int steps, QPoint anchor);
    // The same about the middle of the visible part.
    void ZoomAboutCentre(int steps);
    void FitToWindow();
    bool CanZoom(int steps) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetZoom(int32_t zoom, QPoint anchor);
    void KeepAnchor();
    QSize RoomForImage() const;

    CQuorvaneView& view_;
    QObject* viewport_ = nullptr;
    // The display point (at 1:1) that must come back under the viewport point.
    struct Anchor {
        QPointF display;
        QPoint viewport;
        int32_t zoom = 0;
    };
    std::optional<Anchor> anchor_;
    int wheelRemainder_ = 0;
};

// The largest Mag level (0..4) at which a width x height image fits room;
// 1:4 when none does.
int32_t FittingZoom(int32_t width, int32_t height, QSize room);

// The zoom commands of the View menu for the active view (null: none open).
bool IsZoomCommand(int id);
CommandState ZoomCommandState(const CQuorvaneView* view, int id);
void RunZoomCommand(CQuorvaneView* view, int id);

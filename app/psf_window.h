#pragma once
// The "PSF" tool window: the 11 x 11 point-spread function the current
// picks would give, magnified, with its widths, ellipticity and the number
// of picks the engine would use. It follows the picks of the image window
// it was opened from and is measured by the engine's own code.

#include <QPointer>
#include <QWidget>

#include "decon/star_check.h"

class CQuorvaneView;

class PsfWindow : public QWidget {
    Q_OBJECT
public:
    explicit PsfWindow(QWidget* parent = nullptr);

    // Measures the view's picks and follows its later picks.
    void Follow(CQuorvaneView& view);
    // Measures again (not while a run writes the pixels).
    void Refresh();

    const PsfPreview& Preview() const { return preview_; }
    int Picks() const { return picks_; }
    // "FWHM 2.41 x 2.37 px, ellipticity 0.04, 3 of 4 stars used."
    QString SummaryText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<CQuorvaneView> view_;
    QMetaObject::Connection following_;
    PsfPreview preview_;
    int picks_ = 0;
};

// Opens (or raises) the main window's PSF window for this view.
PsfWindow* ShowPsfWindow(CQuorvaneView& view);

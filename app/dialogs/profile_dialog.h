#pragma once
// The modeless "Stellar Profile" window: pixel value against distance from
// the star's centroid for the star of the last profile click, drawn on a
// ten-by-ten grid. The samples and the plot layout come from the
// measurement layer; this window keeps the last result and paints it.

#include <QDialog>

#include "measure/profile.h"
#include "measure/profile_figures.h"

class CProfileDialog : public QDialog {
    Q_OBJECT
public:
    explicit CProfileDialog(QWidget* parent);
    ~CProfileDialog() override;

    // Replaces the plotted star and repaints.
    void SetProfile(ProfileResult profile);
    const ProfileResult& Profile() const { return profile_; }
    // The plot as it is painted at the window's current size.
    ProfilePlot CurrentPlot() const;
    // The star's FWHM, peak and background as the window shows them.
    const ProfileFigures& Figures() const { return figures_; }
    QString FiguresText() const;

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SavePosition();

    ProfileResult profile_;
    ProfileFigures figures_;
    bool saved_ = false;
};

#pragma once
// The status bar's part for the run of the active image window: during the
// run the change of each step, plotted beside the progress bar; after a
// completed run also the iteration chooser (a slider over the iterations
// kept, which one is shown, and Keep).

#include <QPointer>
#include <QWidget>

class ChangePlot;
class CQuorvaneView;
class QLabel;
class QPushButton;
class QSlider;

class ReviewBar : public QWidget {
    Q_OBJECT
public:
    explicit ReviewBar(QWidget* parent = nullptr);

    // Shows the record of this view (null: none) and follows its changes.
    void Follow(CQuorvaneView* view);
    void Refresh();

    const ChangePlot* Plot() const { return plot_; }
    QSlider* Slider() const { return slider_; }
    QString Label() const;

private:
    void SliderMoved(int value);

    QPointer<CQuorvaneView> view_;
    QMetaObject::Connection following_;
    ChangePlot* plot_;
    QLabel* label_;
    QSlider* slider_;
    QPushButton* keep_;
};

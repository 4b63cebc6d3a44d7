#pragma once
// The floating "Contrast" bar shared by all image windows: back, range,
// smooth, invert, auto and magnification of the active image, the step
// buttons, and the drag pad that retunes brightness and contrast live. It
// posts its requests to the main window, which applies them to the active
// image.

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <cstdint>

#include "image/display_settings.h"

class DragPad;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CContrastBar : public QDialog {
    Q_OBJECT
public:
    // The step buttons by control id.
    enum StepId : int {
        kBackDdn = 1016, kBackSdn = 1017, kBackDup = 1018, kBackSup = 1019,
        kRangeDdn = 1020, kRangeSdn = 1021, kRangeDup = 1022, kRangeSup = 1023,
    };

    explicit CContrastBar(QWidget* owner);

    // Shows an image's settings (program control: Auto stays as given).
    void LoadSettings(const DisplaySettings& settings);
    // The active image's new Mag level (Ctrl+wheel, zoom keys).
    void ShowZoom(int32_t zoom);
    // Back and Range as a contrast drag would set them, while it goes on.
    void ShowLevels(const DisplaySettings& settings);
    // Controls to members (validating; false after telling the user what
    // is wrong) or members to controls.
    bool UpdateData(bool saveAndValidate);
    // The members as the record the main window receives.
    DisplaySettings Members() const;

    // Apply, as if pressed (the run driver redisplays through this).
    void OnApply();
    void OnStep(int stepId);

    // The drag pad's rectangle in the bar's coordinates (right and bottom
    // one past the last pixel) and the drag state.
    QRect PadRect() const;
    bool IsDragging() const { return dragging_; }
    QPoint MarkerPoint() const { return marker_; }

    int32_t m_auto = 0;
    int32_t m_back = 0;
    int32_t m_invert = 0;
    int32_t m_range = 65535;
    int32_t m_smooth = 0;
    int32_t m_mag = 2;

signals:
    void applySettings(const DisplaySettings& settings);
    void contrastDrag(int dx, int dy);
    void contrastDrop();

public slots:
    // Escape: the one way the bar closes; it remembers itself, then goes.
    void reject() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void PlaceOnScreen();
    void ClearAuto();
    bool ReadInteger(QLineEdit& edit, int32_t minimum, int32_t maximum, int32_t& value);
    void SetMarker(QPoint at);

    QCheckBox* autoBox_ = nullptr;
    QCheckBox* invertBox_ = nullptr;
    QCheckBox* smoothBox_ = nullptr;
    QLineEdit* backEdit_ = nullptr;
    QLineEdit* rangeEdit_ = nullptr;
    QComboBox* magList_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    DragPad* pad_ = nullptr;

    bool dragging_ = false;
    QPoint pressPoint_;
    QPoint marker_;
};

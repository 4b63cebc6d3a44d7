#pragma once
// The modeless "Crosshair Data" window: live readouts at the pixel under the
// cursor and the choice of the measuring box. The readouts are computed by
// the measurement layer; this window only shows them.

#include <QDialog>
#include <cstdint>
#include <functional>

#include "measure/crosshair.h"

class QComboBox;
class QLabel;

class CCrosshairDialog : public QDialog {
    Q_OBJECT
public:
    // setBoxSize receives the new box side (2 x index + 3) whenever the user
    // picks a list entry; opening the window does not call it.
    CCrosshairDialog(QWidget* parent, std::function<void(int32_t boxSize)> setBoxSize);
    ~CCrosshairDialog() override;

    // The list entry shown (0 for "3x3" ... 14 for "31x31").
    int32_t ListIndex() const { return listIndex_; }

    void ShowReadout(const CrosshairReadout& readout);
    // Empties every readout field.
    void ClearReadout();
    // Measures at the unclamped image position (x, y) with the given box
    // side, shows the result and returns it (its position is clamped).
    CrosshairReadout UpdateAt(const CImage& image, int32_t x, int32_t y, int32_t boxSize);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SaveState();

    std::function<void(int32_t)> setBoxSize_;
    QComboBox* boxChoice_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* value_ = nullptr;
    QLabel* average_ = nullptr;
    QLabel* noise_ = nullptr;
    QLabel* seeing_ = nullptr;
    int32_t listIndex_ = kDefaultBoxChoice;
    bool saved_ = false;
};

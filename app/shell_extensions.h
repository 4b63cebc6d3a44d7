#pragma once
// Features of the image window that live outside the shell: the
// deconvolution run driver, the crosshair and profile windows, the
// parameter dialogs and printing. Each is installed by its owner at
// start-up; a command whose feature is not installed stays disabled, so the
// shell runs on its own (and its tests need none of them).

#include <cstdint>
#include <functional>

class CQuorvaneView;
class QWidget;

// The open crosshair window as the shell sees it. Deleting Widget() ends the
// window, this object included (it is usually the widget itself).
class CrosshairWindow {
public:
    virtual ~CrosshairWindow() = default;
    virtual QWidget* Widget() = 0;
    // Fills the readouts for the image pixel under the cursor (unclamped
    // x, y) of the view and repaints them.
    virtual void ShowReadouts(CQuorvaneView& view, int32_t x, int32_t y) = 0;
    // The box side chosen in the window's list (3 .. 31), used by the profile click.
    virtual int32_t ListBoxSize() const = 0;
    // Empties the readouts (the image they came from has closed).
    virtual void ClearReadouts() {}
};

// The open stellar-profile window: repaints from the application's samples.
// Deleting Widget() ends it, as for the crosshair window.
class ProfileWindow {
public:
    virtual ~ProfileWindow() = default;
    virtual QWidget* Widget() = 0;
    virtual void Refresh() = 0;
};

struct ShellExtensions {
    using ViewCommand = std::function<void(CQuorvaneView&)>;

    ViewCommand startDeconvolution;  // Start L-R: the parameters dialog, then the run
    ViewCommand abortDeconvolution;  // Abort L-R
    ViewCommand showParameters;      // the Image Parameters dialog
    ViewCommand showModifications;   // the Modifications dialog
    ViewCommand print;               // one page, through the printer dialog
    ViewCommand printPreview;
    std::function<void(QWidget* parent)> printSetup;
    // Make the modeless windows; the application keeps and forgets them.
    std::function<CrosshairWindow*(QWidget* parent)> createCrosshairWindow;
    std::function<ProfileWindow*(QWidget* parent)> createProfileWindow;
    // Puts the engine's command mailbox in its initial state (start-up).
    std::function<void()> resetEngineMailbox;
};

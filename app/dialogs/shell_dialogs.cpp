#include "app/dialogs/shell_dialogs.h"

#include "app/dialogs/crosshair_dialog.h"
#include "app/dialogs/image_parameters_dialog.h"
#include "app/dialogs/modifications_dialog.h"
#include "app/dialogs/profile_dialog.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/shell_extensions.h"

namespace {

// The crosshair window as the shell drives it: readouts with the
// application's box size, and a list pick that changes that size.
class ShellCrosshairWindow final : public CCrosshairDialog, public CrosshairWindow {
public:
    explicit ShellCrosshairWindow(QWidget* parent)
        : CCrosshairDialog(parent, [](int32_t boxSize) {
              if (CQuorvaneApp* app = CQuorvaneApp::Instance())
                  app->boxSize = boxSize;
          }) {}

    QWidget* Widget() override { return this; }

    void ShowReadouts(CQuorvaneView& view, int32_t x, int32_t y) override {
        const CQuorvaneApp* app = CQuorvaneApp::Instance();
        UpdateAt(view.GetDocument().Image(), x, y, app ? app->boxSize : kDefaultBoxSize);
    }

    int32_t ListBoxSize() const override { return BoxSizeFromChoice(ListIndex()); }

    void ClearReadouts() override { ClearReadout(); }
};

// The profile window as the shell drives it: it plots the application's
// samples of the last click, and they go when the window goes.
class ShellProfileWindow final : public CProfileDialog, public ProfileWindow {
public:
    explicit ShellProfileWindow(QWidget* parent) : CProfileDialog(parent) { Refresh(); }

    ~ShellProfileWindow() override {
        if (CQuorvaneApp* app = CQuorvaneApp::Instance()) {
            app->profileSamples = ProfileResult{};
            app->hasProfileSamples = false;
        }
    }

    QWidget* Widget() override { return this; }

    void Refresh() override {
        const CQuorvaneApp* app = CQuorvaneApp::Instance();
        SetProfile(app && app->hasProfileSamples ? app->profileSamples : ProfileResult{});
    }
};

}  // namespace

void InstallDialogExtensions(ShellExtensions& extensions) {
    extensions.showParameters = [](CQuorvaneView& view) {
        const CQuorvaneDoc& document = view.GetDocument();
        ShowImageParameters(view.window(), document.Image(), document.Title().toStdString());
    };
    extensions.showModifications = [](CQuorvaneView& view) {
        const CQuorvaneDoc& document = view.GetDocument();
        ShowModifications(view.window(), document.Title().toStdString(), document.Image().History);
    };
    extensions.createCrosshairWindow = [](QWidget* parent) -> CrosshairWindow* {
        return new ShellCrosshairWindow(parent);
    };
    extensions.createProfileWindow = [](QWidget* parent) -> ProfileWindow* {
        return new ShellProfileWindow(parent);
    };
}

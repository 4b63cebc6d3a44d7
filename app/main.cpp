// The desktop program: one image window per open file, the contrast bar,
// and the tools around them.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "platform/qt/message_box.h"
#if QV_WITH_DIALOGS
#include "app/dialogs/shell_dialogs.h"
#endif
#if QV_WITH_RUN
#include "app/run/shell_run.h"
#endif
#if QV_WITH_PRINT
#include "app/print/shell_print.h"
#endif

namespace {

// Exit status when there is no screen to show the window on, so that a
// script can fall back to the command-line tool.
constexpr int kNoDisplayStatus = 3;

bool HasDisplay() {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
}

// The image window's features that live outside the shell.
void InstallWindowFeatures([[maybe_unused]] ShellExtensions& extensions) {
#if QV_WITH_DIALOGS
    InstallDialogExtensions(extensions);
#endif
#if QV_WITH_RUN
    InstallRunExtensions(extensions);
#endif
#if QV_WITH_PRINT
    InstallPrintExtensions(extensions);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "quorvane: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "use quorvane-cli to work without one.\n");
        return kNoDisplayStatus;
    }
    QApplication qt(argc, argv);
    CQuorvaneApp app;
    InstallMessageBoxHandler([&app]() -> QWidget* { return app.MainFrame(); });
    InstallWindowFeatures(app.Extensions());
    if (!app.InitInstance(QApplication::arguments(), CQuorvaneApp::StartOptions{})) return 1;
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}

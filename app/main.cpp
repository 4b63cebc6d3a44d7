// The desktop program: one image window per open file, the contrast bar,
// and the tools around them.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "platform/qt/message_box.h"

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
    if (!app.InitInstance(QApplication::arguments(), CQuorvaneApp::StartOptions{})) return 1;
    const int status = QApplication::exec();
    app.ExitInstance();
    return status;
}

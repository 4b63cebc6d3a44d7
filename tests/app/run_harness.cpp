#include "run_harness.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include "app/dialogs/shell_dialogs.h"
#include "app/quorvane_app.h"
#include "app/run/shell_run.h"

std::unique_ptr<AppHarness> MakeRunHarness() {
    auto harness = std::make_unique<AppHarness>();
    ShellExtensions& extensions = harness->App().Extensions();
    InstallDialogExtensions(extensions);
    InstallRunExtensions(extensions);
    extensions.resetEngineMailbox();
    return harness;
}

void AcceptNextDialog() {
    QTimer::singleShot(50, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
        else AcceptNextDialog();
    });
}

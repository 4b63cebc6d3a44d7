#include "tools/pictures/picture_session.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/dialogs/shell_dialogs.h"
#include "app/main_frame.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/run/shell_run.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

int RunPictureSession(int argc, char** argv, const char* toolName,
                      const std::function<bool(CQuorvaneApp& app, const QDir& output, const QString& sample)>& walk) {
    QApplication qt(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: %s <sample.qv4> <output folder>\n", toolName);
        return 2;
    }
    if (!QDir().mkpath(arguments[2])) {
        std::fprintf(stderr, "%s: cannot make %s\n", toolName, qPrintable(arguments[2]));
        return 1;
    }
    // The user's own settings are neither read nor changed.
    QTemporaryDir settings;
    Profile::UseFolder(settings.path());
    SetMessageHandler([](const Message& message) { std::fprintf(stderr, "%s\n", message.text.c_str()); });

    CQuorvaneApp app;
    InstallDialogExtensions(app.Extensions());
    InstallRunExtensions(app.Extensions());
    CQuorvaneApp::StartOptions options;
    options.runStartupTip = false;
    options.showMaximized = false;
    if (!app.InitInstance({QStringLiteral("quorvane")}, options)) return 1;
    app.MainFrame()->resize(1180, 700);
    app.MainFrame()->move(0, 0);
    QTest::qWait(100);

    const bool done = walk(app, QDir(arguments[2]), QFileInfo(arguments[1]).absoluteFilePath());
    for (CQuorvaneDoc* document : app.Documents()) document->SetModifiedFlag(false);
    app.MainFrame()->close();
    app.ExitInstance();
    return done ? 0 : 1;
}

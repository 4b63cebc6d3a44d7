// Writes a picture of the main window with an image open, as a person
// would see it: the image window at 1:1, the toolbar, the status bar and the
// floating contrast bar. Runs on any Qt platform, offscreen included.
//
//   quorvane-screenshot [--marks] <image> <output.png>
// --marks picks three stars of the bundled sample and drags a selection, to
// show the marks as they look over a real image.
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/contrast_bar.h"
#include "app/main_frame.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/quorvane_app.h"
#include "tools/pictures/window_picture.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

// Clicks as a person would: three stars in Select PSFs, then a rectangle
// dragged in Select Area.
void PlaceMarks(CQuorvaneApp& app, CQuorvaneView& view) {
    app.SetClickMode(kSelectPsfs);
    for (QPoint star : {QPoint(103, 69), QPoint(476, 51), QPoint(628, 252)})
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.ImageToViewport(star));
    app.SetClickMode(kSelectArea);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.ImageToViewport({60, 30}));
    QTest::mouseMove(view.viewport(), view.ImageToViewport({400, 200}));
    QTest::mouseMove(view.viewport(), view.ImageToViewport({680, 300}));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, view.ImageToViewport({680, 300}));
    app.SetClickMode(kSelectPsfs);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QStringList arguments = QApplication::arguments();
    const bool marks = arguments.removeAll(QStringLiteral("--marks")) > 0;
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: quorvane-screenshot [--marks] <image> <output.png>\n");
        return 2;
    }
    // The user's own settings are neither read nor changed.
    QTemporaryDir settings;
    Profile::UseFolder(settings.path());
    SetMessageHandler([](const Message& message) { std::fprintf(stderr, "%s\n", message.text.c_str()); });

    CQuorvaneApp app;
    CQuorvaneApp::StartOptions options;
    options.runStartupTip = false;
    options.showMaximized = false;
    if (!app.InitInstance({QStringLiteral("quorvane"), arguments[1]}, options)) return 1;
    CMainFrame* frame = app.MainFrame();
    frame->resize(1180, 700);
    frame->move(0, 0);
    QTest::qWait(100);
    frame->RefitAllViews();
    if (CQuorvaneView* view = frame->ActiveView(); view && marks) PlaceMarks(app, *view);
    CContrastBar* bar = app.ContrastBar();
    if (bar) bar->move(frame->width() - bar->width() - 24, 150);
    QTest::qWait(300);

    const QImage shot = MainWindowPicture(*frame, {bar});
    if (!shot.save(arguments[2])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    app.ExitInstance();
    return 0;
}

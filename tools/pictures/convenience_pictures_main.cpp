// Writes the pictures of the image window's conveniences from the real
// window, offscreen: the status bar's pixel readout over a zoomed star, the
// stellar profile window with its figures, and Save As with its formats.
// Checks each step and exits 1 naming the one that failed.
//
//   quorvane-convenience-pictures <sample> <folder>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cstdio>
#include <memory>

#include "app/contrast_bar.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/dialogs/profile_dialog.h"
#include "app/dialogs/shell_dialogs.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"
#include "tools/pictures/window_picture.h"

namespace {

// A bright, isolated star of the sample and a point just above and left of
// it, where a profile click searches from.
constexpr QPoint kStar(574, 210);
constexpr QPoint kProfileClick(570, 206);

int Fail(const char* step) {
    std::fprintf(stderr, "quorvane-convenience-pictures: %s\n", step);
    return 1;
}

bool Save(const QImage& picture, const QString& folder, const char* name) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (picture.isNull() || !picture.save(path)) return false;
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

void CtrlWheel(CQuorvaneView& view, QPoint at) {
    QWheelEvent wheel(QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
}

// The lower part of the main window: the image over the status bar, with
// the click mode's cursor where the mouse is (offscreen draws none).
QImage StatusBarPicture(CMainFrame& frame, CQuorvaneView& view, QPoint mouse) {
    QImage whole = MainWindowPicture(frame, {});
    {
        QPainter painter(&whole);
        const QCursor cursor = view.viewport()->cursor();
        const QPoint at = view.viewport()->mapTo(&frame, mouse) - cursor.hotSpot();
        painter.drawPixmap(at, cursor.pixmap());
    }
    constexpr int kShownHeight = 230;
    return whole.copy(0, whole.height() - kShownHeight, whole.width(), kShownHeight);
}

// The dialog with its format list open below the list's box.
QImage SaveAsPicture(QFileDialog& dialog) {
    auto* formats = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (!formats) return {};
    formats->showPopup();
    QTest::qWait(200);
    const QImage window = WithTitleBar(dialog.grab().toImage(), dialog.windowTitle());
    QWidget* popup = formats->view()->window();
    if (!popup || !popup->isVisible()) return {};
    // The list hangs below the dialog's edge, as it does on screen.
    const QPoint below = formats->mapTo(&dialog, QPoint(0, formats->height())) + QPoint(1, 22);
    const QImage list = popup->grab().toImage();
    QImage picture(window.width(), std::max(window.height(), below.y() + list.height() + 1), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(0, 0, window);
    painter.drawImage(below, list);
    painter.setPen(QColor(70, 70, 80));
    painter.drawRect(QRect(below, list.size()).adjusted(-1, -1, 0, 0));
    formats->hidePopup();
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: quorvane-convenience-pictures <sample> <folder>\n");
        return 2;
    }
    const QString folder = arguments[2];
    QDir().mkpath(folder);
    QTemporaryDir work;
    Profile::UseFolder(work.path() + QStringLiteral("/settings"));
    SetMessageHandler([](const Message& message) { std::fprintf(stderr, "%s\n", message.text.c_str()); });

    CQuorvaneApp app;
    InstallDialogExtensions(app.Extensions());
    CQuorvaneApp::StartOptions options;
    options.runStartupTip = false;
    options.showMaximized = false;
    if (!app.InitInstance({QStringLiteral("quorvane"), arguments[1]}, options)) return Fail("open the sample");
    CMainFrame* frame = app.MainFrame();
    frame->resize(1180, 700);
    frame->move(0, 0);
    QTest::qWait(100);
    frame->RefitAllViews();
    CQuorvaneView* view = frame->ActiveView();
    if (!view) return Fail("the sample's window");
    if (CContrastBar* bar = app.ContrastBar()) bar->hide();

    // Zoomed in twice about the star, the mouse on it.
    CtrlWheel(*view, view->ImageToViewport(kStar));
    CtrlWheel(*view, view->ImageToViewport(kStar));
    if (view->GetDocument().Image().display.zoom != 4) return Fail("Ctrl+wheel to 4:1");
    // The star brought down to just above the status bar, then the mouse on it.
    const int lift = view->viewport()->height() - 90 - view->ImageToViewport(kStar).y();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() - lift);
    const QPoint mouse = view->ImageToViewport(kStar) + QPoint(2, 2);
    QTest::mouseMove(view->viewport(), mouse);
    QTest::qWait(100);
    if (!frame->PixelReadout().startsWith(QStringLiteral("X: 574  Y: 210  Value: "))) return Fail("the pixel readout");
    if (!Save(StatusBarPicture(*frame, *view, mouse), folder, "status-bar.png")) return Fail("write status-bar.png");

    // A profile click above and left of the star.
    app.SetClickMode(kSelectProfiles);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ImageToViewport(kProfileClick) + QPoint(1, 1));
    QTest::qWait(200);
    auto* profile = qobject_cast<CProfileDialog*>(app.Profile() ? app.Profile()->Widget() : nullptr);
    if (!profile || !profile->Figures().star) return Fail("the profile window's figures");
    if (!Save(WithTitleBar(profile->grab().toImage(), profile->windowTitle()), folder, "profile-figures.png"))
        return Fail("write profile-figures.png");

    // Save As, offered as FITS, a few files of each kind in the folder.
    const QString files = QDir::tempPath() + QStringLiteral("/quorvane-pictures/observations");
    QDir(QDir::tempPath() + QStringLiteral("/quorvane-pictures")).removeRecursively();
    QDir().mkpath(files);
    for (const char* name : {"m51.qv4", "m51-sharp.fits", "ngc891.fits", "notes.txt"}) {
        QFile file(files + QLatin1Char('/') + QLatin1String(name));
        if (!file.open(QIODevice::WriteOnly)) return Fail("the Save As folder");
    }
    const std::unique_ptr<QFileDialog> dialog = MakeSaveAsDialog(frame, files + QStringLiteral("/starfield.fits"), 2);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->resize(760, 380);
    dialog->show();
    QTest::qWait(300);
    if (!Save(SaveAsPicture(*dialog), folder, "save-as-formats.png")) return Fail("write save-as-formats.png");
    dialog->hide();
    QDir(QDir::tempPath() + QStringLiteral("/quorvane-pictures")).removeRecursively();
    app.ExitInstance();
    return 0;
}

// The application shell: menus and their enable rules, the refusal to
// close during a run, quitting during a run, one window per file, File
// Open and the settings it keeps.
#include <QDesktopServices>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/help_window.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/recent_files.h"
#include "app_harness.h"
#include "platform/qt/profile.h"

namespace {

constexpr const char* kRefusal = "A deconvolution is in progress.  You must abort it before you can close the image.";

// A stand-in crosshair window, to see the last close destroy it.
class FakeCrosshairs : public QWidget, public CrosshairWindow {
public:
    QWidget* Widget() override { return this; }
    void ShowReadouts(CQuorvaneView&, int32_t, int32_t) override {}
    int32_t ListBoxSize() const override { return 11; }
};

// Receives what the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened = url; }

public:
    QUrl opened;
};

QStringList HelpEntries(QMenuBar& bar) {
    for (QAction* top : bar.actions()) {
        if (top->text() != QLatin1String("&Help")) continue;
        QStringList texts;
        for (QAction* entry : top->menu()->actions()) texts << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
        return texts;
    }
    return {};
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_ = std::make_unique<AppHarness>(); }
    void cleanup() { harness_.reset(); }

    // Start needs a star and no run; Abort needs a run; the area and star
    // modes wait for the run to end, the profile mode does not.
    void startAbortAndModeRules() {
        CQuorvaneApp& app = harness_->App();
        int starts = 0;
        int aborts = 0;
        app.Extensions().startDeconvolution = [&](CQuorvaneView&) { ++starts; };
        app.Extensions().abortDeconvolution = [&](CQuorvaneView&) { ++aborts; };
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("a.qv4"), 100, 80));
        CMainFrame* frame = app.MainFrame();
        QVERIFY(!frame->QueryCommand(Cmd::StartLR).enabled);
        document->AddStar({10, 10});
        QVERIFY(frame->QueryCommand(Cmd::StartLR).enabled);
        QVERIFY(!frame->QueryCommand(Cmd::AbortLR).enabled);
        for (int mode : {Cmd::SelectArea, Cmd::SelectPsfs, Cmd::SelectProfiles}) QVERIFY(frame->QueryCommand(mode).enabled);

        app.SetRunningDocument(document);
        QVERIFY(!frame->QueryCommand(Cmd::StartLR).enabled);
        QVERIFY(frame->QueryCommand(Cmd::AbortLR).enabled);
        QVERIFY(!frame->QueryCommand(Cmd::SelectArea).enabled);
        QVERIFY(!frame->QueryCommand(Cmd::SelectPsfs).enabled);
        QVERIFY(frame->QueryCommand(Cmd::SelectProfiles).enabled);
        frame->OnCommand(Cmd::StartLR);
        frame->OnCommand(Cmd::AbortLR);
        QCOMPARE(starts, 0);
        QCOMPARE(aborts, 1);

        app.SetRunningDocument(nullptr);
        frame->OnCommand(Cmd::SelectArea);
        QCOMPARE(app.ClickMode(), int(kSelectArea));
        QVERIFY(frame->QueryCommand(Cmd::SelectArea).checked);
        QVERIFY(!frame->QueryCommand(Cmd::SelectProfiles).checked);
        frame->UpdateCommandUI();
        QVERIFY(frame->ToolbarAction(Cmd::SelectArea)->isChecked());
    }

    // While a run writes an image's pixels, that image can be neither
    // flipped nor saved; another open image can.
    void flipAndSaveWaitForTheRunOnTheirImage() {
        CQuorvaneApp& app = harness_->App();
        CQuorvaneDoc* running = harness_->Open(harness_->WriteImage(QStringLiteral("run.qv4"), 60, 40));
        CQuorvaneDoc* other = harness_->Open(harness_->WriteImage(QStringLiteral("other.qv4"), 60, 40));
        app.SetRunningDocument(running);
        CQuorvaneView* runningView = harness_->ViewOf(*running);
        for (int id : {Cmd::FlipHorizontal, Cmd::FlipVertical, Cmd::FileSave, Cmd::FileSaveAs})
            QVERIFY2(!runningView->QueryCommand(id).enabled, qPrintable(QStringLiteral("command %1 open during the run").arg(id)));
        const std::vector<uint16_t> before = running->Image().pixels;
        running->FlipHorizontal();
        QVERIFY(running->Image().pixels == before);
        QVERIFY(!running->OnSaveDocument(running->PathName()));
        for (int id : {Cmd::FlipHorizontal, Cmd::FileSave}) QVERIFY(harness_->ViewOf(*other)->QueryCommand(id).enabled);
    }

    // Closing an image during a run is refused with the "FYI" notice and the
    // image stays; afterwards it closes.
    void closeRefusedDuringRun() {
        CQuorvaneApp& app = harness_->App();
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("b.qv4"), 60, 40));
        app.SetRunningDocument(document);
        QVERIFY(!harness_->FrameOf(*document)->close());
        QCOMPARE(harness_->messages.size(), size_t(1));
        QCOMPARE(harness_->messages[0].text, std::string(kRefusal));
        QCOMPARE(harness_->messages[0].caption, std::string("FYI"));
        QCOMPARE(harness_->messages[0].icon, MessageIcon::exclamation);
        QCOMPARE(app.Documents().size(), size_t(1));
        QVERIFY(harness_->saveChangesAsked.empty());
        app.SetRunningDocument(nullptr);
        app.MainFrame()->OnCommand(Cmd::FileClose);
        QTest::qWait(10);
        QVERIFY(app.Documents().empty());
    }

    // Quitting during a run aborts it, waits until the run has ended (the
    // window keeps working), and only then asks about unsaved changes.
    void quitDuringRunAbortsThenAsks() {
        CQuorvaneApp& app = harness_->App();
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("c.qv4"), 60, 40));
        document->SetModifiedFlag();
        bool busyWhenAsked = true;
        UserPrompts().saveChanges = [&](QWidget*, const QString&) {
            busyWhenAsked = app.IsBusy();
            return SaveChangesAnswer::discard;
        };
        int aborts = 0;
        app.Extensions().abortDeconvolution = [&](CQuorvaneView&) {
            ++aborts;
            // The driver notices the abort on a later tick.
            QTimer::singleShot(120, &app, [&app] { app.SetRunningDocument(nullptr); });
        };
        app.SetRunningDocument(document);
        QVERIFY(app.MainFrame()->close());
        QCOMPARE(aborts, 1);
        QVERIFY2(!busyWhenAsked, "asked to save while the run still wrote the image");
        QVERIFY(app.Documents().empty());
        QVERIFY(harness_->messages.empty());
    }

    // Opening a file that is open already brings its window forward instead
    // of loading a second copy.
    void openingAnOpenFileActivatesIt() {
        CQuorvaneApp& app = harness_->App();
        const QString first = harness_->WriteImage(QStringLiteral("first.qv4"), 50, 40);
        CQuorvaneDoc* a = harness_->Open(first);
        CQuorvaneDoc* b = harness_->Open(harness_->WriteImage(QStringLiteral("second.qv4"), 50, 40));
        QCOMPARE(app.MainFrame()->ActiveView(), harness_->ViewOf(*b));
        QCOMPARE(harness_->Open(harness_->Folder() + QStringLiteral("/./first.qv4")), a);
        QCOMPARE(app.Documents().size(), size_t(2));
        QCOMPARE(app.MainFrame()->ActiveView(), harness_->ViewOf(*a));
    }

    // Closing one of two images keeps the contrast bar and tool windows;
    // closing the last hides the bar, destroys the tool windows and brings
    // back the small menu.
    void lastCloseHidesBarAndToolWindows() {
        CQuorvaneApp& app = harness_->App();
        CQuorvaneDoc* a = harness_->Open(harness_->WriteImage(QStringLiteral("a.qv4"), 50, 40));
        CQuorvaneDoc* b = harness_->Open(harness_->WriteImage(QStringLiteral("b.qv4"), 50, 40));
        auto* crosshairs = new FakeCrosshairs;
        QPointer<QWidget> crosshairWidget = crosshairs->Widget();
        app.SetCrosshairs(crosshairs);
        harness_->FrameOf(*a)->close();
        QTest::qWait(10);
        QVERIFY(app.ContrastBar()->isVisible());
        QVERIFY(app.Crosshairs());
        harness_->FrameOf(*b)->close();
        QTest::qWait(10);
        QVERIFY(!app.ContrastBar()->isVisible());
        QVERIFY(!app.Crosshairs());
        QVERIFY(crosshairWidget.isNull());
        QCOMPARE(app.MainFrame()->CurrentMenu(), MainMenu::noImage);
    }

    // An image that cannot be read is reported and leaves no window.
    void unreadableFileLeavesNoDocument() {
        QFile bad(harness_->Folder() + QStringLiteral("/bad.qv4"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not an image at all");
        bad.close();
        QVERIFY(!harness_->Open(bad.fileName()));
        QVERIFY(harness_->App().Documents().empty());
        QVERIFY(!harness_->messages.empty());
        QVERIFY(!harness_->App().ContrastBar()->isVisible());
    }

    // File Open stores the chosen file's folder and filter; a cancelled
    // dialog stores nothing.
    void fileOpenRemembersFolderAndFilter() {
        const QString path = harness_->WriteImage(QStringLiteral("m51.qv4"), 30, 20);
        harness_->openAnswer = OpenFileChoice{path, 2};
        harness_->App().OnFileOpen();
        QCOMPARE(Profile::GetString("AppParameters", "Image Path"), harness_->Folder());
        QCOMPARE(Profile::GetInt("AppParameters", "Filter Index", 1), 2);
        QCOMPARE(harness_->App().Documents().size(), size_t(1));
        harness_->openAnswer.reset();
        Profile::WriteString("AppParameters", "Image Path", "/elsewhere");
        harness_->App().OnFileOpen();
        QCOMPARE(Profile::GetString("AppParameters", "Image Path"), QStringLiteral("/elsewhere"));
        QCOMPARE(Profile::GetInt("AppParameters", "Filter Index", 1), 2);
        QCOMPARE(ImagePathOf(QStringLiteral("/m51.qvz")), QString());
        QCOMPARE(ImagePathOf(QStringLiteral("D:\\images\\m51.qvz")), QStringLiteral("D:\\images"));
    }

    // The click mode chosen before exit is the mode at the next start; the
    // recent-file list keeps the last four images, newest first.
    void settingsSurviveARestart() {
        QStringList opened;
        for (int i = 0; i < 5; ++i) {
            opened << harness_->WriteImage(QStringLiteral("r%1.qv4").arg(i), 20, 20);
            harness_->Open(opened.last());
        }
        harness_->App().SetClickMode(kSelectArea);
        harness_->Stop();
        harness_->Start();
        QCOMPARE(harness_->App().ClickMode(), int(kSelectArea));
        const QStringList recent = harness_->App().RecentFiles().Files();
        QCOMPARE(recent, (QStringList{opened[4], opened[3], opened[2], opened[1]}));
    }

    // Both menus start Help with the tip entry and a separator, once, however
    // often they are opened.
    void tipEntryInHelpMenuOnce() {
        CMainFrame* frame = harness_->App().MainFrame();
        const QStringList noImage = {"Ti&p of the Day...", "-", "Quorvane Help...", "-", "&About Quorvane..."};
        QCOMPARE(HelpEntries(*frame->menuBar()), noImage);
        for (QAction* top : frame->menuBar()->actions()) emit top->menu()->aboutToShow();
        QCOMPARE(HelpEntries(*frame->menuBar()), noImage);
        harness_->Open(harness_->WriteImage(QStringLiteral("h.qv4"), 20, 20));
        for (QAction* top : frame->menuBar()->actions()) emit top->menu()->aboutToShow();
        for (QAction* top : frame->menuBar()->actions()) emit top->menu()->aboutToShow();
        QCOMPARE(HelpEntries(*frame->menuBar()),
                 (QStringList{"Ti&p of the Day...", "-", "Quorvane Help...", "-", "&About Quorvane"}));
    }

    // A bar without a Help menu gets one holding only the tip entry.
    void tipEntryWithoutHelpMenu() {
        QMenuBar bar;
        bar.addMenu(QStringLiteral("&File"));
        QMenu fallback;
        int made = 0;
        auto makeTip = [&](QObject* parent) {
            ++made;
            return new QAction(QString::fromLatin1(kTipMenuText), parent);
        };
        InsertTipEntry(bar, makeTip, fallback);
        InsertTipEntry(bar, makeTip, fallback);
        QCOMPARE(made, 1);
        QCOMPARE(bar.actions().size(), 2);
        QCOMPARE(HelpEntries(bar), QStringList{"Ti&p of the Day..."});
    }

    // The message pane shows a command's prompt while the mouse is over its
    // toolbar button, and the button's tooltip is the text after the prompt.
    void promptUnderTheMouse() {
        CMainFrame* frame = harness_->App().MainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QAction* area = frame->ToolbarAction(Cmd::SelectArea);
        QVERIFY(area);
        QCOMPARE(area->toolTip(), QStringLiteral("Select Area"));
        QWidget* button = frame->ToolBar()->widgetForAction(area);
        QTest::mouseMove(button);
        QTRY_COMPARE(frame->ShownMessage(), QStringLiteral("Select area to deconvolve"));
        QCOMPARE(frame->MessageText(), QStringLiteral("Ready"));
    }

    // Save As under "All files" with a name that names no format keeps the
    // image's own format; a save that fails says so and leaves the image
    // marked modified.
    void saveAsKeepsTheImageFormat() {
        CQuorvaneDoc* document = harness_->Open(harness_->WriteImage(QStringLiteral("native.qv4"), 40, 30));
        document->FlipVertical();
        harness_->saveAsAnswer = harness_->Folder() + QStringLiteral("/copy.dat");
        QVERIFY(document->DoSaveAs());
        QVERIFY(!document->IsModified());
        QCOMPARE(document->PathName(), harness_->saveAsAnswer);
        QFile written(harness_->saveAsAnswer);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY2(!written.read(80).startsWith("SIMPLE"), "a native image was saved as FITS");
        document->FlipVertical();
        harness_->saveAsAnswer = harness_->Folder() + QStringLiteral("/no/such/folder/x.qv4");
        QVERIFY(!document->DoSaveAs());
        QVERIFY(document->IsModified());
        QCOMPARE(harness_->messages.size(), size_t(1));
    }

    // A file named on the command line is opened and shows the bar; one that
    // cannot be read ends the start-up.
    void commandLineFile() {
        const QString good = harness_->WriteImage(QStringLiteral("start.qv4"), 30, 20);
        harness_->Stop();
        QVERIFY(harness_->Start({QStringLiteral("quorvane"), good}));
        QCOMPARE(harness_->App().Documents().size(), size_t(1));
        QVERIFY(harness_->App().ContrastBar()->isVisible());
        harness_->Stop();
        QVERIFY(!harness_->Start({QStringLiteral("quorvane"), harness_->Folder() + QStringLiteral("/missing.qv4")}));
    }

    // Every file named is opened, as a desktop passes several at once; one
    // that cannot be read does not stop the others.
    void commandLineFiles() {
        const QString first = harness_->WriteImage(QStringLiteral("first.qv4"), 30, 20);
        const QString second = harness_->WriteImage(QStringLiteral("second.qv4"), 20, 10);
        harness_->Stop();
        QVERIFY(harness_->Start({QStringLiteral("quorvane"), first, second}));
        QCOMPARE(harness_->App().Documents().size(), size_t(2));
        harness_->Stop();
        QVERIFY(harness_->Start({QStringLiteral("quorvane"), harness_->Folder() + QStringLiteral("/missing.qv4"), second}));
        QCOMPARE(harness_->App().Documents().size(), size_t(1));
    }

    // Help shows the shipped page at its contents in a window of the
    // program: nothing is handed to a desktop browser (there may be none);
    // a second Help brings the same window forward.
    void helpShowsThePageInside() {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        CMainFrame* frame = harness_->App().MainFrame();
        frame->OnCommand(Cmd::HelpContents);
        frame->OnCommand(Cmd::HelpContents);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(catcher.opened.isEmpty());
        const QList<HelpWindow*> windows = frame->findChildren<HelpWindow*>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.front()->isVisible());
        const QTextBrowser* page = windows.front()->Browser();
        QVERIFY2(page->source().path().endsWith(QLatin1String("/help/index.html")), qPrintable(page->source().toString()));
        QCOMPARE(page->source().fragment(), QStringLiteral("contents"));
        QVERIFY(page->toPlainText().contains(QLatin1String("Start L-R")));
        QVERIFY(harness_->messages.empty());
    }

private:
    std::unique_ptr<AppHarness> harness_;
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"

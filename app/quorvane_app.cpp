#include "app/quorvane_app.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/data_folder.h"
#include "app/help_window.h"
#include "app/main_frame.h"
#include "app/prompts.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/tip_dialog.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

const QString kAppSection = QStringLiteral("AppParameters");
const QString kClickModeKey = QStringLiteral("ClickMode");
const QString kImagePathKey = QStringLiteral("Image Path");
const QString kFilterIndexKey = QStringLiteral("Filter Index");

// The version the program reports when the build names none.
constexpr const char* kBaseVersion = "1.11";

// Options start with "-"; of the "/" forms only the known ones count, since
// a path may start with "/" too.
bool IsSwitch(const QString& argument) {
    static const QStringList known = {QStringLiteral("/p"), QStringLiteral("/pt"), QStringLiteral("/dde"),
                                      QStringLiteral("/embedding"), QStringLiteral("/automation")};
    return argument.startsWith(QLatin1Char('-')) || known.contains(argument, Qt::CaseInsensitive);
}

bool IsBannerSuppressed(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        const QString name = argument.mid(1).toLower();
        if (IsSwitch(argument) && (name == QLatin1String("embedding") || name == QLatin1String("automation")))
            return true;
    }
    return false;
}

QString HelpPagePath() { return SharedFilePath(QStringLiteral("help/index.html")); }

}  // namespace

CQuorvaneApp* CQuorvaneApp::instance_ = nullptr;

CQuorvaneApp::CQuorvaneApp() { instance_ = this; }

CQuorvaneApp::~CQuorvaneApp() {
    // Windows first: their destructors may still ask the application.
    if (contrastBar_) delete contrastBar_.data();
    CloseToolWindows();
    mainFrame_.reset();
    instance_ = nullptr;
}

CQuorvaneApp* CQuorvaneApp::Instance() { return instance_; }

bool CQuorvaneApp::InitInstance(const QStringList& arguments, const StartOptions& options) {
    QCoreApplication::setOrganizationName(QString::fromLatin1(Profile::kCompany));
    QCoreApplication::setApplicationName(QString::fromLatin1(Profile::kProgram));
    recentFiles_.Load();

    mainFrame_ = std::make_unique<CMainFrame>(*this);
    if (!mainFrame_->Create()) return false;
    CreateContrastBar();

    if (!ProcessCommandLine(arguments)) return false;

    if (options.showMaximized)
        mainFrame_->showMaximized();
    else
        mainFrame_->show();
    // Windows opened from the command line were fitted to the frame before
    // it had its final size.
    QTimer::singleShot(0, mainFrame_.get(), [frame = mainFrame_.get()] { frame->RefitAllViews(); });

    if (extensions_.resetEngineMailbox) extensions_.resetEngineMailbox();
    SetClickMode(Profile::GetInt(kAppSection, kClickModeKey, kSelectProfiles));
    ReadVersion();

    if (!IsBannerSuppressed(arguments)) {
        CTipDialog tip(mainFrame_.get());
        if (options.runStartupTip && tip.ShowAtStartup()) tip.exec();
    }
    return true;
}

void CQuorvaneApp::ExitInstance() {
    Profile::WriteInt(kAppSection, kClickModeKey, clickMode_);
    recentFiles_.Save();
}

// Every file named is opened (a desktop passes all the files a user opens
// with the program at once); start-up fails only when files were named and
// none of them opened, as it does for a single file.
bool CQuorvaneApp::ProcessCommandLine(const QStringList& arguments) {
    bool named = false, opened = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (IsSwitch(arguments[i])) continue;
        named = true;
        if (OpenDocumentFile(arguments[i]) != nullptr) opened = true;
    }
    // No file named: no document, not even an empty one.
    return !named || opened;
}

void CQuorvaneApp::CreateContrastBar() {
    contrastBar_ = new CContrastBar(mainFrame_.get());
    mainFrame_->ConnectContrastBar(*contrastBar_);
}

void CQuorvaneApp::ShowContrastBar() {
    // A bar the user closed comes back with the next image opened.
    const bool made = !contrastBar_;
    if (made) CreateContrastBar();
    if (documents_.empty()) return;
    // A new bar starts at back 0 and range 65535; shown so, its next Apply
    // would put those on the image.
    if (CQuorvaneView* view = mainFrame_->ActiveView(); view && made) contrastBar_->LoadSettings(view->ShownSettings());
    contrastBar_->show();
}

void CQuorvaneApp::ToggleContrastBar() {
    if (contrastBar_ && contrastBar_->isVisible()) {
        contrastBar_->reject();
        contrastBar_ = nullptr;  // going with deleteLater
    } else {
        ShowContrastBar();
    }
    emit stateChanged();
}

void CQuorvaneApp::ReadVersion() {
    version_ = QStringLiteral("%1CV").arg(QLatin1String(kBaseVersion));
#ifdef QV_FILE_VERSION
    version_ = QStringLiteral("%1").arg(QLatin1String(QV_FILE_VERSION));
#endif
}

CQuorvaneDoc* CQuorvaneApp::FindDocument(const QString& path) const {
    const QString wanted = QFileInfo(path).canonicalFilePath();
    if (wanted.isEmpty()) return nullptr;
    for (CQuorvaneDoc* document : documents_) {
        if (QFileInfo(document->PathName()).canonicalFilePath() == wanted) return document;
    }
    return nullptr;
}

CQuorvaneDoc* CQuorvaneApp::OpenDocumentFile(const QString& path) {
    if (CQuorvaneDoc* open = FindDocument(path)) {
        mainFrame_->ActivateDocument(*open);
        ShowContrastBar();
        return open;
    }
    auto* document = new CQuorvaneDoc(this);
    if (!document->OnOpenDocument(path)) {
        delete document;
        ShowContrastBar();
        return nullptr;
    }
    documents_.push_back(document);
    // A file saved under a new name is one the user will want to open again.
    connect(document, &CQuorvaneDoc::savedAs, this, [this](const QString& path) {
        recentFiles_.Add(QFileInfo(path).absoluteFilePath());
        recentFiles_.Save();
    });
    mainFrame_->AddDocumentWindow(*document);
    // A converted image has no file of its own until it is saved.
    if (!document->PathName().isEmpty()) {
        recentFiles_.Add(document->PathName());
        recentFiles_.Save();
    }
    ShowContrastBar();
    emit stateChanged();
    return document;
}

void CQuorvaneApp::DocumentClosing(CQuorvaneDoc& document) {
    if (documents_.size() == 1 && documents_.front() == &document) {
        if (contrastBar_) contrastBar_->hide();
        CloseToolWindows();
    }
    // Readings of a closed image would describe nothing on screen.
    CrosshairWindow* crosshairs = Crosshairs();  // null once its window is gone, however it went
    if (crosshairs && measuredDocument_ == &document) crosshairs->ClearReadouts();
    if (measuredDocument_ == &document) measuredDocument_ = nullptr;
    std::erase(documents_, &document);
    emit stateChanged();
}

bool CQuorvaneApp::HandlesCommand(int id) const {
    switch (id) {
    case Cmd::FileNew:
    case Cmd::FileOpen:
    case Cmd::FilePrintSetup:
    case Cmd::HelpContents:
    case Cmd::AppAbout:
    case Cmd::AppExit:
    case Cmd::TipOfTheDay:
        return true;
    default:
        return id >= Cmd::RecentFile1 && id < Cmd::RecentFile1 + kRecentFileCount;
    }
}

CommandState CQuorvaneApp::QueryCommand(int id) const {
    CommandState state;
    switch (id) {
    case Cmd::FileNew:
        // An empty document has no image to show or work on.
        state.enabled = false;
        break;
    case Cmd::FilePrintSetup:
        state.enabled = bool(extensions_.printSetup);
        break;
    default:
        state.enabled = HandlesCommand(id);
        break;
    }
    return state;
}

void CQuorvaneApp::OnCommand(int id) {
    if (!QueryCommand(id).enabled) return;
    switch (id) {
    case Cmd::FileOpen: OnFileOpen(); break;
    case Cmd::FilePrintSetup: extensions_.printSetup(mainFrame_.get()); break;
    case Cmd::HelpContents: OnHelp(); break;
    case Cmd::AppAbout: OnAppAbout(); break;
    case Cmd::AppExit: mainFrame_->close(); break;
    case Cmd::TipOfTheDay: OnTipOfTheDay(); break;
    default: {
        const int entry = id - Cmd::RecentFile1;
        if (entry >= 0 && entry < recentFiles_.Files().size())
            OpenDocumentFile(recentFiles_.Files()[entry]);
        break;
    }
    }
}

void CQuorvaneApp::OnFileOpen() {
    const QString folder = Profile::GetString(kAppSection, kImagePathKey);
    const int filterIndex = Profile::GetInt(kAppSection, kFilterIndexKey, 1);
    const std::optional<OpenFileChoice> choice = UserPrompts().openFile(mainFrame_.get(), folder, filterIndex);
    if (!choice) return;
    Profile::WriteString(kAppSection, kImagePathKey, ImagePathOf(choice->path));
    Profile::WriteInt(kAppSection, kFilterIndexKey, choice->filterIndex);
    OpenDocumentFile(choice->path);
}

void CQuorvaneApp::OnHelp() {
    if (helpWindow_) {
        helpWindow_->raise();
        helpWindow_->activateWindow();
        return;
    }
    const QString page = HelpPagePath();
    if (page.isEmpty()) {
        ShowMessage("The Quorvane help page could not be found. It belongs in " +
                        QDir::toNativeSeparators(SharedFolder()).toStdString() + "/help/index.html.",
                    "FYI");
        return;
    }
    helpWindow_ = new HelpWindow(page, mainFrame_.get());
    helpWindow_->setWindowFlag(Qt::Window);
    helpWindow_->show();
}

void CQuorvaneApp::OnAppAbout() {
    CAboutDialog about(version_, mainFrame_.get());
    about.exec();
}

void CQuorvaneApp::OnTipOfTheDay() {
    CTipDialog tip(mainFrame_.get());
    tip.exec();
}

void CQuorvaneApp::SetRunningDocument(CQuorvaneDoc* document) {
    busy_ = document != nullptr;
    runningDocument_ = document;
    emit stateChanged();
}

void CQuorvaneApp::SetClickMode(int mode) {
    clickMode_ = (mode >= kSelectArea && mode <= kSelectProfiles) ? mode : kSelectProfiles;
    emit stateChanged();
}

CrosshairWindow* CQuorvaneApp::Crosshairs() const { return crosshairWidget_ ? crosshairs_ : nullptr; }

ProfileWindow* CQuorvaneApp::Profile() const { return profileWidget_ ? profile_ : nullptr; }

void CQuorvaneApp::SetCrosshairs(CrosshairWindow* window) {
    crosshairs_ = window;
    crosshairWidget_ = window ? window->Widget() : nullptr;
    emit stateChanged();
}

void CQuorvaneApp::SetProfile(ProfileWindow* window) {
    profile_ = window;
    profileWidget_ = window ? window->Widget() : nullptr;
}

void CQuorvaneApp::CloseToolWindows() {
    if (crosshairWidget_) delete crosshairWidget_.data();
    if (profileWidget_) delete profileWidget_.data();
    crosshairs_ = nullptr;
    profile_ = nullptr;
}

void CQuorvaneApp::WaitForRunToEnd() {
    CQuorvaneView* view = runningDocument_ ? mainFrame_->ViewOf(*runningDocument_) : nullptr;
    if (!view || !extensions_.abortDeconvolution) return;
    mainFrame_->SetMessageText(QStringLiteral("Aborting the deconvolution before quitting..."));
    extensions_.abortDeconvolution(*view);
    // The run driver ends the run on its timer; a local loop keeps every
    // window painting (and the driver ticking) until it has.
    QEventLoop loop;
    const auto connection = connect(this, &CQuorvaneApp::stateChanged, &loop, [this, &loop] {
        if (!busy_) loop.quit();
    });
    if (busy_) loop.exec();
    disconnect(connection);
}

bool CQuorvaneApp::PrepareToQuit() {
    if (busy_) WaitForRunToEnd();
    if (busy_) {
        ShowMessage("A deconvolution is in progress.  You must abort it before you can close the image.",
                    "FYI");
        return false;
    }
    for (CQuorvaneDoc* document : std::vector<CQuorvaneDoc*>(documents_)) {
        if (!document->SaveModified()) return false;
    }
    return true;
}

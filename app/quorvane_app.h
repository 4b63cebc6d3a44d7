#pragma once
// The application object: starts and ends the program, owns the documents
// and the state every window shares (the busy flag, the click mode, the
// contrast bar, the tool windows and the profile samples), opens files and
// handles Help, About and the Tip of the Day.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/commands.h"
#include "app/contrast_bar.h"
#include "app/recent_files.h"
#include "app/shell_extensions.h"
#include "measure/profile.h"

class CChildFrame;
class CMainFrame;
class CQuorvaneDoc;
class CQuorvaneView;

// The three click modes of the image windows.
enum ClickMode : int { kSelectArea = 0, kSelectPsfs = 1, kSelectProfiles = 2 };

class CQuorvaneApp : public QObject {
    Q_OBJECT
public:
    struct StartOptions {
        bool runStartupTip = true;  // may run the Tip of the Day modally
        bool showMaximized = true;
    };

    CQuorvaneApp();
    ~CQuorvaneApp() override;
    CQuorvaneApp(const CQuorvaneApp&) = delete;
    CQuorvaneApp& operator=(const CQuorvaneApp&) = delete;

    // The one application object (null before it is made and after it ends).
    static CQuorvaneApp* Instance();

    // Start-up in its fixed order; false when the program must end.
    bool InitInstance(const QStringList& arguments, const StartOptions& options);
    // Writes what the application keeps at exit.
    void ExitInstance();

    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    // The contrast bar, or null after the user closed it.
    CContrastBar* ContrastBar() const { return contrastBar_; }
    ShellExtensions& Extensions() { return extensions_; }
    RecentFileList& RecentFiles() { return recentFiles_; }

    // Opens an image, or activates its window when it is open already.
    // Null when the file could not be read.
    CQuorvaneDoc* OpenDocumentFile(const QString& path);
    const std::vector<CQuorvaneDoc*>& Documents() const { return documents_; }
    CQuorvaneDoc* FindDocument(const QString& path) const;
    // Called by a document that has agreed to close, before it goes.
    void DocumentClosing(CQuorvaneDoc& document);

    // Commands the application handles.
    bool HandlesCommand(int id) const;
    CommandState QueryCommand(int id) const;
    void OnCommand(int id);
    void OnFileOpen();
    void OnHelp();
    void OnAppAbout();
    void OnTipOfTheDay();
    // View menu "Contrast Bar": closes the bar as Escape does, or shows it
    // (made again when it was closed) with the active image's settings.
    void ToggleContrastBar();

    // A deconvolution is in progress (on the image of runningDocument).
    bool IsBusy() const { return busy_; }
    CQuorvaneDoc* RunningDocument() const { return runningDocument_; }
    // Sets the busy flag for a run on document; null clears it.
    void SetRunningDocument(CQuorvaneDoc* document);

    int ClickMode() const { return clickMode_; }
    void SetClickMode(int mode);

    const QString& Version() const { return version_; }
    bool PaletteDisplay() const { return paletteDisplay_; }
    void SetPaletteDisplay(bool palette) { paletteDisplay_ = palette; }

    // The crosshair box side in pixels (the crosshair window changes it).
    int32_t boxSize = 5;
    // The samples of the last profile click.
    ProfileResult profileSamples;
    bool hasProfileSamples = false;

    CrosshairWindow* Crosshairs() const;
    ProfileWindow* Profile() const;
    void SetCrosshairs(CrosshairWindow* window);
    void SetProfile(ProfileWindow* window);
    // Destroys and forgets both tool windows.
    void CloseToolWindows();
    // The image whose readings the crosshair window shows.
    void SetMeasuredDocument(CQuorvaneDoc* document) { measuredDocument_ = document; }

    // Quitting: aborts a run and waits for it to end (the window keeps
    // painting meanwhile), then asks about unsaved changes. False when the
    // user cancelled.
    bool PrepareToQuit();

signals:
    // The busy flag, the click mode or the open documents changed.
    void stateChanged();

private:
    bool ProcessCommandLine(const QStringList& arguments);
    void CreateContrastBar();
    void ShowContrastBar();
    void ReadVersion();
    void WaitForRunToEnd();

    static CQuorvaneApp* instance_;

    std::unique_ptr<CMainFrame> mainFrame_;
    QPointer<CContrastBar> contrastBar_;
    ShellExtensions extensions_;
    RecentFileList recentFiles_{kRecentFileCount};
    std::vector<CQuorvaneDoc*> documents_;
    bool busy_ = false;
    CQuorvaneDoc* runningDocument_ = nullptr;
    int clickMode_ = kSelectProfiles;
    bool paletteDisplay_ = false;
    QString version_;
    CrosshairWindow* crosshairs_ = nullptr;
    CQuorvaneDoc* measuredDocument_ = nullptr;
    ProfileWindow* profile_ = nullptr;
    QPointer<QWidget> crosshairWidget_;
    QPointer<QWidget> helpWindow_;
    QPointer<QWidget> profileWidget_;
};

#pragma once
// The main window: menus (one set while no image is open, another while
// one is), toolbar, status bar and accelerators, the area holding the image
// windows, and the receiver of the contrast bar's messages, which it
// applies to the active image.

#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <vector>

#include "app/commands.h"
#include "app/display/contrast_drag.h"
#include "app/menus.h"
#include "image/display_settings.h"

class CChildFrame;
class CContrastBar;
class CQuorvaneApp;
class CQuorvaneDoc;
class CQuorvaneView;
class QMdiArea;
class ReviewBar;
class QMdiSubWindow;
class QTimer;
class QToolBar;
class StatusPanes;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CQuorvaneApp& app);
    ~CMainFrame() override;

    // Toolbar, status bar, menus and accelerators; false when any fails.
    bool Create();

    QMdiArea* MdiArea() const { return mdiArea_; }
    QToolBar* ToolBar() const { return toolBar_; }
    CChildFrame* ActiveChild() const;
    CQuorvaneView* ActiveView() const;
    CQuorvaneView* ViewOf(const CQuorvaneDoc& document) const;

    // Makes the view and its window for a newly opened document.
    CQuorvaneView* AddDocumentWindow(CQuorvaneDoc& document);
    void ActivateDocument(CQuorvaneDoc& document);
    void RefitAllViews();
    void ConnectContrastBar(CContrastBar& bar);

    // Command routing: the active view first, then this window, then the
    // application. A disabled command does nothing.
    CommandState QueryCommand(int id) const;
    void OnCommand(int id);
    // Applies every enable/check rule to the menus, toolbar and accelerators.
    void UpdateCommandUI();
    // The action of a toolbar button, for tests and the screenshot tool.
    QAction* ToolbarAction(int id) const;
    MainMenu CurrentMenu() const { return currentMenu_; }

    void SetMessageText(const QString& text);
    // The run's progress bar in the status bar.
    void ShowRunProgress(int percent, const QString& text);
    void HideRunProgress();
    // Null while no run shows progress.
    const QProgressBar* RunProgressBar() const;
    // The active image's change plot and iteration chooser.
    ReviewBar* RunReviewBar() const { return reviewBar_; }
    QString MessageText() const;
    // The status bar's pixel readout (empty while the mouse is off the images).
    void SetPixelReadout(const QString& text);
    QString PixelReadout() const;
    // What the message pane shows now (a prompt while one is up).
    QString ShownMessage() const;

    // The drag window of a contrast drag in progress.
    DragWindow CurrentDragWindow() const { return dragWindow_; }

public slots:
    void OnApplySettings(const DisplaySettings& settings);
    void OnContrastDrag(int dx, int dy);
    void OnContrastDrop();
    // Where the next image window opens.
    QPoint CascadePosition() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBar();
    void CreateAccelerators();
    void RebuildMenuBar();
    void AddMenuEntry(QMenu& menu, const MenuEntry& entry);
    QAction* MakeCommandAction(int id, const QString& text, QObject* parent);
    void RefreshRecentFiles(QMenu& menu);
    void RefreshWindowList(QMenu& menu);
    void PrepareMenu(QMenu& menu);
    void ApplyState(QAction& action) const;
    void ArrangeIcons();
    bool HandlesCommand(int id) const;
    CommandState QueryOwnCommand(int id) const;
    void OnOwnCommand(int id);
    void OnSubWindowActivated(QMdiSubWindow* window);

    CQuorvaneApp& app_;
    QMdiArea* mdiArea_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    StatusPanes* panes_ = nullptr;
    ReviewBar* reviewBar_ = nullptr;
    QTimer* idleUpdate_ = nullptr;
    MainMenu currentMenu_ = MainMenu::noImage;
    bool menuBuilt_ = false;
    QMenu* fallbackHelp_ = nullptr;
    QAction* recentAnchor_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<QAction*> windowListActions_;
    DragWindow dragWindow_;
};

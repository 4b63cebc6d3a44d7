#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "app/child_frame.h"
#include "app/contrast_bar.h"
#include "app/pictures.h"
#include "app/quorvane_app.h"
#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"
#include "app/review_bar.h"
#include "app/status_panes.h"
#include "app/view_zoom.h"

namespace {

// Toolbar buttons and other controls follow the rules at least this often,
// as well as at once after anything the rules read has changed.
constexpr int kIdleUpdateMs = 250;

int CommandIdOf(const QAction& action) {
    bool ok = false;
    const int id = action.data().toInt(&ok);
    return ok ? id : 0;
}

}  // namespace

CMainFrame::CMainFrame(CQuorvaneApp& app) : app_(app) {}

CMainFrame::~CMainFrame() {
    // Closing the windows below fires activation signals; this object is
    // already half gone by then.
    if (mdiArea_) disconnect(mdiArea_, nullptr, this, nullptr);
    disconnect(&app_, nullptr, this, nullptr);
}

bool CMainFrame::Create() {
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(ApplicationIcon());
    resize(1024, 768);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    // Qt draws through colour tables on every display it runs on.
    app_.SetPaletteDisplay(false);
    CreateToolBar();
    panes_ = new StatusPanes(*statusBar());
    reviewBar_ = new ReviewBar;
    // Beside the run's progress bar, the first of the permanent panes after the message pane.
    statusBar()->insertPermanentWidget(1, reviewBar_);
    CreateAccelerators();
    RebuildMenuBar();

    connect(&app_, &CQuorvaneApp::stateChanged, this, [this] {
        RebuildMenuBar();
        UpdateCommandUI();
    });
    idleUpdate_ = new QTimer(this);
    connect(idleUpdate_, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    idleUpdate_->start(kIdleUpdateMs);
    UpdateCommandUI();
    return toolBar_ && panes_;
}

void CMainFrame::CreateToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolbarCommands()) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = MakeCommandAction(id, CommandTooltip(id), toolBar_);
        action->setIcon(ToolbarIcon(id));
        toolBar_->addAction(action);
    }
}

void CMainFrame::CreateAccelerators() {
    for (const Accelerator& accelerator : Accelerators()) {
        auto* action = new QAction(this);
        action->setShortcut(accelerator.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const int id = accelerator.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(action);
    }
}

QAction* CMainFrame::MakeCommandAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    const QString tip = CommandTooltip(id);
    if (!tip.isEmpty()) action->setToolTip(tip);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    ApplyState(*action);
    return action;
}

void CMainFrame::RebuildMenuBar() {
    const MainMenu wanted = app_.Documents().empty() ? MainMenu::noImage : MainMenu::imageOpen;
    if (menuBuilt_ && wanted == currentMenu_) return;
    currentMenu_ = wanted;
    menuBuilt_ = true;
    recentAnchor_ = nullptr;
    recentActions_.clear();
    windowListActions_.clear();
    if (fallbackHelp_) menuBar()->removeAction(fallbackHelp_->menuAction());
    const std::vector<QMenu*> menus =
        FillMenuBar(*menuBar(), MainMenuDefinition(wanted), [this](QMenu& menu, const MenuEntry& entry) {
            AddMenuEntry(menu, entry);
        });
    for (QMenu* menu : menus) connect(menu, &QMenu::aboutToShow, this, [this, menu] { PrepareMenu(*menu); });
    if (!fallbackHelp_) fallbackHelp_ = new QMenu(this);
    InsertTipEntry(
        *menuBar(), [this](QObject* parent) { return MakeCommandAction(Cmd::TipOfTheDay, QString::fromLatin1(kTipMenuText), parent); },
        *fallbackHelp_);
}

void CMainFrame::AddMenuEntry(QMenu& menu, const MenuEntry& entry) {
    if (entry.id == Cmd::RecentFile1) {
        // Recent files go in before this invisible marker when the menu opens.
        recentAnchor_ = menu.addAction(QString::fromLatin1(entry.text));
        recentAnchor_->setVisible(false);
        RefreshRecentFiles(menu);
        return;
    }
    menu.addAction(MakeCommandAction(entry.id, QString::fromLatin1(entry.text), &menu));
}

void CMainFrame::RefreshRecentFiles(QMenu& menu) {
    if (!recentAnchor_ || recentAnchor_->parent() != &menu) return;
    for (QAction* old : recentActions_) delete old;
    recentActions_.clear();
    const QStringList& files = app_.RecentFiles().Files();
    if (files.isEmpty()) {
        QAction* placeholder = MakeCommandAction(Cmd::RecentFile1, recentAnchor_->text(), &menu);
        placeholder->setEnabled(false);
        placeholder->setData(QVariant());
        menu.insertAction(recentAnchor_, placeholder);
        recentActions_.push_back(placeholder);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        QAction* action = MakeCommandAction(Cmd::RecentFile1 + i, RecentFileList::MenuText(i, files[i]), &menu);
        menu.insertAction(recentAnchor_, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::RefreshWindowList(QMenu& menu) {
    for (QAction* old : windowListActions_) delete old;
    windowListActions_.clear();
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
    if (windows.isEmpty()) return;
    windowListActions_.push_back(menu.addSeparator());
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        QString title = window->windowTitle().replace(QStringLiteral("[*]"), QString());
        QAction* action = menu.addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        action->setCheckable(true);
        action->setChecked(window == mdiArea_->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window] { mdiArea_->setActiveSubWindow(window); });
        windowListActions_.push_back(action);
    }
}

void CMainFrame::PrepareMenu(QMenu& menu) {
    RefreshRecentFiles(menu);
    if (menu.title() == QLatin1String("&Window")) RefreshWindowList(menu);
    for (QAction* action : menu.actions()) {
        if (CommandIdOf(*action) != 0) ApplyState(*action);
    }
    InsertTipEntry(
        *menuBar(), [this](QObject* parent) { return MakeCommandAction(Cmd::TipOfTheDay, QString::fromLatin1(kTipMenuText), parent); },
        *fallbackHelp_);
}

void CMainFrame::ApplyState(QAction& action) const {
    const int id = CommandIdOf(action);
    if (id == 0) return;
    const CommandState state = QueryCommand(id);
    action.setEnabled(state.enabled);
    action.setCheckable(state.checkable);
    if (state.checkable) action.setChecked(state.checked);
}

void CMainFrame::UpdateCommandUI() {
    for (QAction* action : toolBar_->actions()) ApplyState(*action);
    for (QAction* top : menuBar()->actions()) {
        if (QMenu* menu = top->menu()) {
            for (QAction* action : menu->actions()) ApplyState(*action);
        }
    }
}

QAction* CMainFrame::ToolbarAction(int id) const {
    for (QAction* action : toolBar_->actions()) {
        if (CommandIdOf(*action) == id) return action;
    }
    return nullptr;
}

bool CMainFrame::HandlesCommand(int id) const {
    switch (id) {
    case Cmd::ViewToolbar:
    case Cmd::ViewStatusBar:
    case Cmd::WindowCascade:
    case Cmd::WindowTileVertical:
    case Cmd::WindowArrange:
    case Cmd::ViewContrastBar:
        return true;
    default:
        return IsZoomCommand(id);
    }
}

CommandState CMainFrame::QueryOwnCommand(int id) const {
    CommandState state;
    state.enabled = true;
    switch (id) {
    case Cmd::ViewToolbar:
        state.checkable = true;
        state.checked = !toolBar_->isHidden();
        break;
    case Cmd::ViewStatusBar:
        state.checkable = true;
        state.checked = !statusBar()->isHidden();
        break;
    case Cmd::ViewContrastBar:
        state.enabled = !app_.Documents().empty();
        state.checkable = true;
        state.checked = app_.ContrastBar() && app_.ContrastBar()->isVisible();
        break;
    case Cmd::ViewZoomIn:
    case Cmd::ViewZoomOut:
    case Cmd::ViewFitToWindow: return ZoomCommandState(ActiveView(), id);
    default:
        state.enabled = !mdiArea_->subWindowList().isEmpty();
        break;
    }
    return state;
}

CommandState CMainFrame::QueryCommand(int id) const {
    if (CQuorvaneView* view = ActiveView(); view && view->HandlesCommand(id)) return view->QueryCommand(id);
    if (HandlesCommand(id)) return QueryOwnCommand(id);
    if (app_.HandlesCommand(id)) return app_.QueryCommand(id);
    // A command nobody handles (the edit keys, for instance) stays disabled.
    return {};
}

void CMainFrame::OnCommand(int id) {
    if (CQuorvaneView* view = ActiveView(); view && view->HandlesCommand(id))
        view->OnCommand(id);
    else if (HandlesCommand(id))
        OnOwnCommand(id);
    else if (app_.HandlesCommand(id))
        app_.OnCommand(id);
    UpdateCommandUI();
}

void CMainFrame::OnOwnCommand(int id) {
    if (!QueryOwnCommand(id).enabled) return;
    switch (id) {
    case Cmd::ViewToolbar: toolBar_->setVisible(toolBar_->isHidden()); break;
    case Cmd::ViewStatusBar: statusBar()->setVisible(statusBar()->isHidden()); break;
    case Cmd::WindowCascade: mdiArea_->cascadeSubWindows(); break;
    case Cmd::WindowTileVertical: mdiArea_->tileSubWindows(); break;
    case Cmd::WindowArrange: ArrangeIcons(); break;
    case Cmd::ViewContrastBar: app_.ToggleContrastBar(); break;
    default: RunZoomCommand(ActiveView(), id); break;
    }
}

void CMainFrame::ArrangeIcons() {
    int x = 0;
    const int bottom = mdiArea_->viewport()->height();
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        if (!window->isMinimized()) continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

CChildFrame* CMainFrame::ActiveChild() const {
    return mdiArea_ ? qobject_cast<CChildFrame*>(mdiArea_->currentSubWindow()) : nullptr;
}

CQuorvaneView* CMainFrame::ActiveView() const {
    CChildFrame* child = ActiveChild();
    return child ? child->View() : nullptr;
}

CQuorvaneView* CMainFrame::ViewOf(const CQuorvaneDoc& document) const {
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && child->View() && &child->GetDocument() == &document) return child->View();
    }
    return nullptr;
}

// A new window steps one title bar down and right from the active one, so
// that it never hides the last image exactly; near the far edges it starts
// again at the top-left.
QPoint CMainFrame::CascadePosition() const {
    QMdiSubWindow* last = mdiArea_->activeSubWindow();
    if (!last || last->isMaximized() || last->isMinimized()) return {};
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, last) + 4;
    const QPoint at = last->pos() + QPoint(step, step);
    const QSize room = mdiArea_->viewport()->size();
    if (at.x() + 4 * step > room.width() || at.y() + 4 * step > room.height()) return {};
    return at;
}

CQuorvaneView* CMainFrame::AddDocumentWindow(CQuorvaneDoc& document) {
    const QPoint at = CascadePosition();
    auto* view = new CQuorvaneView(document, app_);
    auto* frame = new CChildFrame(view);
    mdiArea_->addSubWindow(frame);
    connect(view, &CQuorvaneView::commandStateChanged, this, &CMainFrame::UpdateCommandUI);
    frame->show();
    view->OnInitialUpdate(at);
    mdiArea_->setActiveSubWindow(frame);
    return view;
}

void CMainFrame::ActivateDocument(CQuorvaneDoc& document) {
    CQuorvaneView* view = ViewOf(document);
    CChildFrame* frame = view ? view->Frame() : nullptr;
    if (!frame) return;
    if (frame->isMinimized()) frame->showNormal();
    mdiArea_->setActiveSubWindow(frame);
}

void CMainFrame::RefitAllViews() {
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && child->View()) child->View()->FitFrame();
    }
}

void CMainFrame::ConnectContrastBar(CContrastBar& bar) {
    // Posted, not sent: the bar finishes its own handling first.
    connect(&bar, &CContrastBar::applySettings, this, &CMainFrame::OnApplySettings, Qt::QueuedConnection);
    connect(&bar, &CContrastBar::contrastDrag, this, &CMainFrame::OnContrastDrag, Qt::QueuedConnection);
    connect(&bar, &CContrastBar::contrastDrop, this, &CMainFrame::OnContrastDrop, Qt::QueuedConnection);
}

void CMainFrame::SetMessageText(const QString& text) { panes_->SetMessageText(text); }

void CMainFrame::ShowRunProgress(int percent, const QString& text) { panes_->ShowProgress(percent, text); }

void CMainFrame::HideRunProgress() { panes_->HideProgress(); }

const QProgressBar* CMainFrame::RunProgressBar() const { return panes_->Progress(); }

QString CMainFrame::MessageText() const { return panes_->MessageText(); }

void CMainFrame::SetPixelReadout(const QString& text) { panes_->SetPixelReadout(text); }

QString CMainFrame::PixelReadout() const { return panes_->PixelReadout(); }

QString CMainFrame::ShownMessage() const { return panes_->ShownText(); }

void CMainFrame::OnApplySettings(const DisplaySettings& settings) {
    CQuorvaneView* view = ActiveView();
    if (!view) return;
    view->RequestDisplaySettings(settings);
}

void CMainFrame::OnContrastDrag(int dx, int dy) {
    CQuorvaneView* view = ActiveView();
    if (!view) return;
    dragWindow_ = ContrastDrag(dx, dy);
    CQuorvaneDoc& document = view->GetDocument();
    if (app_.PaletteDisplay()) {
        view->RedoPalette(dragWindow_.start, dragWindow_.end);
    } else {
        SetColourTable(document.Bitmap(), dragWindow_.start, dragWindow_.end, document.Image().display.invert != 0);
    }
    view->viewport()->update();
    // The bar's Back and Range show what the drop will set, as the pad moves.
    if (CContrastBar* bar = app_.ContrastBar()) bar->ShowLevels(ContrastDrop(view->ShownSettings(), dragWindow_));
}

void CMainFrame::OnContrastDrop() {
    CQuorvaneView* view = ActiveView();
    // A release without a move in between must not replay the last drag.
    const DragWindow window = std::exchange(dragWindow_, DragWindow{});
    if (!view) return;
    const DisplaySettings dropped = ContrastDrop(view->ShownSettings(), window);
    if (CContrastBar* bar = app_.ContrastBar()) bar->LoadSettings(dropped);
    // While a run writes the pixels the dragged look stays until the remap can be made.
    view->RequestDisplaySettings(dropped);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    auto* child = qobject_cast<CChildFrame*>(window);
    if (child && child->View()) child->View()->OnActivateView();
    reviewBar_->Follow(child ? child->View() : nullptr);
    UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!app_.PrepareToQuit()) {
        event->ignore();
        return;
    }
    // Every question has been answered: the windows now close without asking again.
    for (CQuorvaneDoc* document : app_.Documents()) document->SetModifiedFlag(false);
    mdiArea_->closeAllSubWindows();
    if (!mdiArea_->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    if (CContrastBar* bar = app_.ContrastBar()) bar->hide();
    event->accept();
}

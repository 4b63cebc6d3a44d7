#include "app/menus.h"

#include <QMenu>
#include <QMenuBar>

#include "app/commands.h"

namespace {

const MenuEntry kSeparator{0, ""};

std::vector<MenuDefinition> NoImageMenu() {
    return {
        {"&File",
         {{Cmd::FileOpen, "&Open...\tCtrl+O"}, kSeparator, {Cmd::FilePrintSetup, "P&rint Setup..."},
          kSeparator, {Cmd::RecentFile1, "Recent File"}, kSeparator, {Cmd::AppExit, "E&xit"}}},
        {"&View", {{Cmd::ViewToolbar, "&Toolbar"}, {Cmd::ViewStatusBar, "&Status Bar"}}},
        {kHelpMenuTitle,
         {{Cmd::HelpContents, "Quorvane Help..."}, kSeparator, {Cmd::AppAbout, "&About Quorvane..."}}},
    };
}

std::vector<MenuDefinition> ImageOpenMenu() {
    return {
        {"&File",
         {{Cmd::FileOpen, "&Open...\tCtrl+O"}, {Cmd::FileClose, "&Close"}, {Cmd::FileSave, "&Save\tCtrl+S"},
          {Cmd::FileSaveAs, "Save &As..."}, kSeparator, {Cmd::FilePrint, "&Print...\tCtrl+P"},
          {Cmd::FilePrintPreview, "Print Pre&view"}, {Cmd::FilePrintSetup, "P&rint Setup..."}, kSeparator,
          {Cmd::RecentFile1, "Recent File"}, kSeparator, {Cmd::AppExit, "E&xit"}}},
        {"&Edit",
         {{Cmd::EditUndo, "&Undo\tCtrl+Z"}, {Cmd::EditRedo, "&Redo\tCtrl+Shift+Z"}, kSeparator,
          {Cmd::PickStarsForMe, "Pic&k Stars for Me"}}},
        {"&View",
         {{Cmd::ViewToolbar, "&Toolbar"}, {Cmd::ViewStatusBar, "&Status Bar"}, kSeparator,
          {Cmd::ViewContrastBar, "&Contrast Bar"}, kSeparator,
          {Cmd::ViewZoomIn, "Zoom &In\t+"}, {Cmd::ViewZoomOut, "Zoom &Out\t-"},
          {Cmd::ViewFitToWindow, "&Fit to Window"}, kSeparator,
          {Cmd::ViewCompare, "Compare with &Before\tB"},
          {Cmd::ViewCompareSplit, "Compare S&plit\tShift+B"}, kSeparator,
          {Cmd::EarlierIteration, "&Earlier Iteration\t["}, {Cmd::LaterIteration, "&Later Iteration\t]"},
          {Cmd::KeepIteration, "&Keep Iteration\tK"}, kSeparator,
          {Cmd::FitsRowsBottomUp, "FITS Rows Bottom Up"}}},
        {"&Display",
         {{Cmd::DisplayCrosshairs, "&Crosshairs..."}, {Cmd::DisplayParameters, "&Parameters..."},
          {Cmd::DisplayModifications, "&Modifications..."},
          {Cmd::DisplayPsf, "P&SF"}}},
        {"&Utilities", {{Cmd::FlipHorizontal, "Flip &Horz"}, {Cmd::FlipVertical, "Flip &Vert"}}},
        {"&Window",
         {{Cmd::WindowCascade, "&Cascade"}, {Cmd::WindowTileVertical, "&Tile"},
          {Cmd::WindowArrange, "&Arrange Icons"}}},
        {kHelpMenuTitle,
         {{Cmd::HelpContents, "Quorvane Help..."}, kSeparator, {Cmd::AppAbout, "&About Quorvane"}}},
    };
}

}  // namespace

const std::vector<MenuDefinition>& MainMenuDefinition(MainMenu menu) {
    static const std::vector<MenuDefinition> noImage = NoImageMenu();
    static const std::vector<MenuDefinition> imageOpen = ImageOpenMenu();
    return menu == MainMenu::noImage ? noImage : imageOpen;
}

const std::vector<MenuEntry>& ContextMenuEntries() {
    static const std::vector<MenuEntry> entries = {
        {Cmd::AbortLR, "&Abort L-R"},
        {Cmd::StartLR, "&Start L-R"},
        kSeparator,
        {Cmd::SelectPsfs, "Select PSFs"},
        {Cmd::SelectArea, "Select Area"},
        {Cmd::SelectProfiles, "Select Profiles"},
        {Cmd::CleanImage, "&Clean Image"},
        kSeparator,
        {Cmd::FlipHorizontal, "Flip &Horz"},
        {Cmd::FlipVertical, "Flip &Vert"},
        kSeparator,
        {Cmd::DisplayParameters, "&Parameters"},
        {Cmd::DisplayModifications, "&Modifications"},
    };
    return entries;
}

const std::vector<int>& ToolbarCommands() {
    static const std::vector<int> buttons = {
        Cmd::FileOpen,     Cmd::FileSave,   0,          Cmd::FilePrint,  0,
        Cmd::SelectPsfs,   Cmd::SelectArea, Cmd::SelectProfiles, Cmd::CleanImage, 0,
        Cmd::StartLR,      Cmd::AbortLR,
    };
    return buttons;
}

const std::vector<Accelerator>& Accelerators() {
    static const std::vector<Accelerator> keys = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), Cmd::FileNew},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Cmd::FileOpen},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Cmd::FileSave},
        {QKeySequence(Qt::CTRL | Qt::Key_P), Cmd::FilePrint},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), Cmd::EditUndo},
        {QKeySequence(Qt::CTRL | Qt::Key_X), Cmd::EditCut},
        {QKeySequence(Qt::CTRL | Qt::Key_C), Cmd::EditCopy},
        {QKeySequence(Qt::CTRL | Qt::Key_V), Cmd::EditPaste},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), Cmd::EditUndo},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), Cmd::EditCut},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), Cmd::EditCopy},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), Cmd::EditPaste},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), Cmd::EditRedo},
        {QKeySequence(Qt::Key_B), Cmd::ViewCompare},
        // "+" matches its key however it is typed (shifted on many keyboards);
        // "=", on the same key, and the keypad's count too.
        {QKeySequence(Qt::Key_Plus), Cmd::ViewZoomIn},
        {QKeySequence(Qt::Key_Equal), Cmd::ViewZoomIn},
        {QKeySequence(Qt::KeypadModifier | Qt::Key_Plus), Cmd::ViewZoomIn},
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), Cmd::ViewZoomIn},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), Cmd::ViewZoomIn},
        {QKeySequence(Qt::Key_Minus), Cmd::ViewZoomOut},
        {QKeySequence(Qt::KeypadModifier | Qt::Key_Minus), Cmd::ViewZoomOut},
        {QKeySequence(Qt::CTRL | Qt::Key_Minus), Cmd::ViewZoomOut},
        {QKeySequence(Qt::SHIFT | Qt::Key_B), Cmd::ViewCompareSplit},
        {QKeySequence(Qt::Key_BracketLeft), Cmd::EarlierIteration},
        {QKeySequence(Qt::Key_BracketRight), Cmd::LaterIteration},
        {QKeySequence(Qt::Key_K), Cmd::KeepIteration},
        {QKeySequence(Qt::Key_F6), Cmd::NextPane},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), Cmd::PreviousPane},
    };
    return keys;
}

std::vector<QMenu*> FillMenuBar(QMenuBar& bar, const std::vector<MenuDefinition>& menus,
                                const AddMenuEntry& add) {
    bar.clear();
    std::vector<QMenu*> made;
    for (const MenuDefinition& definition : menus) {
        QMenu* menu = bar.addMenu(QString::fromLatin1(definition.title));
        for (const MenuEntry& entry : definition.entries) {
            if (entry.id == 0)
                menu->addSeparator();
            else
                add(*menu, entry);
        }
        made.push_back(menu);
    }
    return made;
}

void InsertTipEntry(QMenuBar& bar, const std::function<QAction*(QObject* parent)>& makeTip,
                    QMenu& fallbackHelp) {
    const QString helpTitle = QString::fromLatin1(kHelpMenuTitle);
    const QString tipText = QString::fromLatin1(kTipMenuText);
    for (QAction* item : bar.actions()) {
        QMenu* help = item->menu();
        if (!help || item->text() != helpTitle) continue;
        const QList<QAction*> entries = help->actions();
        if (!entries.isEmpty() && entries.first()->text() == tipText) return;
        QAction* first = entries.isEmpty() ? nullptr : entries.first();
        QAction* separator = help->insertSeparator(first);
        help->insertAction(separator, makeTip(help));
        return;
    }
    if (fallbackHelp.actions().isEmpty()) fallbackHelp.addAction(makeTip(&fallbackHelp));
    fallbackHelp.setTitle(helpTitle);
    bar.addMenu(&fallbackHelp);
}

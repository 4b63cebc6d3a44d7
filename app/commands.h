#pragma once
// Every command of the program by its numeric id, with the string that
// stands for it: the status-bar prompt before "\n", the tooltip after it.
// Menus, toolbar buttons, accelerators and the context menu all name
// commands by these ids; one dispatcher carries them out.

#include <QString>

namespace Cmd {
enum : int {
    TipOfTheDay = 105,
    DisplayParameters = 32771,
    FlipHorizontal = 32772,
    FlipVertical = 32773,
    DisplayCrosshairs = 32774,
    StartLR = 32775,
    AbortLR = 32776,
    SelectProfiles = 32777,
    DisplayModifications = 32778,
    CleanImage = 32779,
    SelectArea = 32782,
    SelectPsfs = 32783,
    HelpContents = 32787,
    FitsRowsBottomUp = 32795,
    // Additions of the window's own, above the original range.
    DisplayPsf = 32800,
    ViewCompare = 32801,
    ViewZoomIn = 32810,
    ViewZoomOut = 32811,
    ViewFitToWindow = 32812,
    ViewContrastBar = 32813,
    PickStarsForMe = 32830,
    ViewCompareSplit = 32820,
    EarlierIteration = 32821,
    LaterIteration = 32822,
    KeepIteration = 32823,
    FileNew = 57600,
    FileOpen = 57601,
    FileClose = 57602,
    FileSave = 57603,
    FileSaveAs = 57604,
    FilePrintSetup = 57606,
    FilePrint = 57607,
    FilePrintDirect = 57608,
    FilePrintPreview = 57609,
    RecentFile1 = 57616,  // up to RecentFile1 + 3
    EditCopy = 57634,
    EditCut = 57635,
    EditPaste = 57637,
    EditUndo = 57643,
    EditRedo = 57644,
    WindowArrange = 57649,
    WindowCascade = 57650,
    WindowTileVertical = 57652,
    AppAbout = 57664,
    AppExit = 57665,
    NextPane = 57680,
    PreviousPane = 57681,
    ViewToolbar = 59392,
    ViewStatusBar = 59393,
};
}  // namespace Cmd

inline constexpr int kRecentFileCount = 4;
// The idle text of the message pane.
inline constexpr const char* kReadyText = "Ready";

// The whole string of a command ("" for an id without one).
QString CommandString(int id);
// The status-bar prompt: the text before "\n".
QString CommandPrompt(int id);
// The tooltip: the text after "\n" ("" when there is none).
QString CommandTooltip(int id);

// What a command's enable/check rule says right now.
struct CommandState {
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
};

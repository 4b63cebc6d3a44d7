#include "app/commands.h"

#include <iterator>

namespace {

struct CommandText {
    int id;
    const char* text;
};

// The program's own strings first, then the framework's usual prompts for
// the commands it supplies.
constexpr CommandText kStrings[] = {
    {Cmd::TipOfTheDay, "Displays a Tip of the Day."},
    {Cmd::DisplayParameters, "Show the Image Parameters Dialog\nShow Parameters"},
    {Cmd::FlipHorizontal, "Flip the image left-to-right\nFlip Horizontally"},
    {Cmd::FlipVertical, "Flip the image top-to-bottom\nFlip Vertically"},
    {Cmd::DisplayCrosshairs, "Show the crosshairs dialog\nShow Crosshairs"},
    {Cmd::StartLR, "Start Lucy-Richardson Algorithm\nL-R Image"},
    {Cmd::AbortLR, "Abort Lucy-Richardson deconvolution\nAbort L-R"},
    {Cmd::SelectProfiles, "Show stellar profile\nShow Profile"},
    {Cmd::DisplayModifications, "Show the Image Modifications dialog\nShow Modifications"},
    {Cmd::CleanImage, "Clean the image of selection rectangle and stars\nClean Image"},
    {Cmd::SelectArea, "Select area to deconvolve\nSelect Area"},
    {Cmd::SelectPsfs, "Select Stars for PSFs\nSelect PSFs"},
    {Cmd::HelpContents, "Open the Quorvane help page\nHelp"},
    {Cmd::PickStarsForMe, "Pick isolated, unsaturated, bright stars for the PSF\nPick Stars for Me"},
    {Cmd::DisplayPsf, "Show the PSF the picked stars give\nShow PSF"},
    {Cmd::ViewCompare, "Show the image as it was before the last change, or after it\nCompare with Before"},
    {Cmd::ViewZoomIn, "Show the image one Mag step larger\nZoom In"},
    {Cmd::ViewZoomOut, "Show the image one Mag step smaller\nZoom Out"},
    {Cmd::ViewFitToWindow, "Show the whole image at the largest Mag step that fits\nFit to Window"},
    {Cmd::ViewContrastBar, "Show or hide the contrast bar\nContrast Bar"},
    {Cmd::ViewCompareSplit, "Show the image before the last change left of a divider, after it right\nCompare Split"},
    {Cmd::EarlierIteration, "Show the image of the run's iteration before the one shown\nEarlier Iteration"},
    {Cmd::LaterIteration, "Show the image of the run's iteration after the one shown\nLater Iteration"},
    {Cmd::KeepIteration, "Keep the iteration shown and let the others go\nKeep Iteration"},
    {Cmd::EditRedo, "Redo the last action undone\nRedo"},
    {Cmd::FileOpen, "Open an existing image\nOpen"},
    {Cmd::FileClose, "Close the active image\nClose"},
    {Cmd::FileSave, "Save the active image\nSave"},
    {Cmd::FileSaveAs, "Save the active image with a new name\nSave As"},
    {Cmd::FilePrint, "Print the active image\nPrint"},
    {Cmd::RecentFile1, "Open this image"},
    {Cmd::RecentFile1 + 1, "Open this image"},
    {Cmd::RecentFile1 + 2, "Open this image"},
    {Cmd::RecentFile1 + 3, "Open this image"},
    {Cmd::AppExit, "Quit Quorvane; prompts to save documents\nExit"},

    {Cmd::FileNew, "Create a new document\nNew"},
    {Cmd::FilePrintSetup, "Change the printer and printing options\nPrint Setup"},
    {Cmd::FilePrintDirect, "Print the active document using current options\nQuick Print"},
    {Cmd::FilePrintPreview, "Display full pages\nPrint Preview"},
    {Cmd::EditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
    {Cmd::EditCut, "Cut the selection and put it on the Clipboard\nCut"},
    {Cmd::EditPaste, "Insert Clipboard contents\nPaste"},
    {Cmd::EditUndo, "Undo the last action\nUndo"},
    {Cmd::WindowArrange, "Arrange icons at the bottom of the window\nArrange Icons"},
    {Cmd::WindowCascade, "Arrange windows so they overlap\nCascade Windows"},
    {Cmd::WindowTileVertical, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {Cmd::AppAbout, "Display program information, version number and copyright\nAbout"},
    {Cmd::NextPane, "Switch to the next window pane\nNext Pane"},
    {Cmd::PreviousPane, "Switch back to the previous window pane\nPrevious Pane"},
    {Cmd::ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {Cmd::ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
    {Cmd::FitsRowsBottomUp, "Show FITS images with their first row at the bottom\nFITS Rows Bottom Up"},
};

}  // namespace

QString CommandString(int id) {
    for (const CommandText& entry : kStrings)
        if (entry.id == id) return QString::fromLatin1(entry.text);
    return {};
}

QString CommandPrompt(int id) { return CommandString(id).section(QLatin1Char('\n'), 0, 0); }

QString CommandTooltip(int id) {
    const QString whole = CommandString(id);
    const qsizetype split = whole.indexOf(QLatin1Char('\n'));
    return split < 0 ? QString() : whole.mid(split + 1);
}

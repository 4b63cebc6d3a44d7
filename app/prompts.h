#pragma once
// The modal questions the shell puts to the user: the file dialogs and the
// prompt to save changes. Each is a replaceable function so that the
// widget tests can answer without a person at the screen.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

struct OpenFileChoice {
    QString path;         // the full path of the chosen file
    int filterIndex = 1;  // 1-based index of the filter in use
};

struct SaveAsChoice {
    QString path;         // empty when the user cancelled
    int filterIndex = 0;  // 1-based index of the Save As filter in use
};

enum class SaveChangesAnswer { save, discard, cancel };

struct Prompts {
    // Nothing when the user cancels.
    std::function<std::optional<OpenFileChoice>(QWidget* parent, const QString& folder,
                                                int filterIndex)>
        openFile;
    // An empty path when the user cancels; filterIndex is the filter shown first.
    std::function<SaveAsChoice(QWidget* parent, const QString& suggestedPath, int filterIndex)> saveFileName;
    std::function<SaveChangesAnswer(QWidget* parent, const QString& documentTitle)> saveChanges;
};

// The Save As dialog as the real prompt shows it, opening on the filter
// (1-based) and the suggested path; not yet shown.
std::unique_ptr<QFileDialog> MakeSaveAsDialog(QWidget* parent, const QString& suggestedPath, int filterIndex);

// The prompts in use; starts with the real dialogs.
Prompts& UserPrompts();

// The File Open filters in the order the dialog lists them: "All supported
// images" (native and FITS) first, then native, FITS and all files.
QStringList OpenFileFilters();
// The stored "Filter Index" keeps its numbers (1 native, 2 FITS, 3 all
// files); the filter listed first is stored as 4. These convert between
// that number and the 0-based place in OpenFileFilters().
int OpenFilterPlace(int filterIndex);
int OpenFilterIndex(int place);

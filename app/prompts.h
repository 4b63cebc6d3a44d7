#pragma once
// The modal questions the shell puts to the user: the file dialogs and the
// prompt to save changes. Each is a replaceable function so that the
// widget tests can answer without a person at the screen.

#include <QString>
#include <functional>
#include <optional>

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

// The prompts in use; starts with the real dialogs.
Prompts& UserPrompts();

// The File Open filters in the order of their indices (1, 2, 3).
QStringList OpenFileFilters();

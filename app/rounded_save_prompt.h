#pragma once
// The question put before a save replaces a FITS file whose values the
// import had to round: the file still holds the finer values, the save
// would replace them with the rounded ones. Replaceable, so that the widget
// tests can answer without a person at the screen.

#include <QString>
#include <functional>

class QWidget;

// True when the user chose to replace the file.
using RoundedSavePrompt = std::function<bool(QWidget* parent, const QString& fileName, const QString& reason)>;

// The prompt in use; starts with the real question.
RoundedSavePrompt& RoundedSaveAsk();

// The status-bar line shown when such an image opens.
QString RoundedOpenText(const QString& fileName, const QString& reason);

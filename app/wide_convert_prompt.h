#pragma once
// The question put when a FITS image of values wider than 16 bits is opened:
// "convert to 16 bits?" with the mapping shown, answered with the automatic
// range or the user's minimum and maximum. Replaceable, so that the widget
// tests can answer without a person at the screen.

#include <QString>
#include <functional>
#include <optional>

#include "image/wide_fits.h"

class QWidget;

// Nothing when the user declines.
using WideConvertPrompt = std::function<std::optional<WideScale>(
    QWidget* parent, const QString& fileName, const WideFitsFile& file, const WideMapping& automatic)>;

// The prompt in use; starts with the real dialog.
WideConvertPrompt& WideConvertAsk();

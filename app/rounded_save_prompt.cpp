#include "app/rounded_save_prompt.h"

#include <QMessageBox>

namespace {

bool AskReplaceRounded(QWidget* parent, const QString& fileName, const QString& reason) {
    const QString text = QStringLiteral("%1 was opened with rounded values: %2.\n\n"
                                        "Saving over it replaces the file's values with the rounded ones. "
                                        "Use Save As to keep the original.\n\nReplace %1?")
                             .arg(fileName, reason);
    // No is the default: the finer values cannot be had back.
    return QMessageBox::question(parent, QStringLiteral("Quorvane"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

RoundedSavePrompt& RoundedSaveAsk() {
    static RoundedSavePrompt prompt = AskReplaceRounded;
    return prompt;
}

QString RoundedOpenText(const QString& fileName, const QString& reason) {
    return QStringLiteral("%1: %2. Saving over the file asks first.").arg(fileName, reason);
}

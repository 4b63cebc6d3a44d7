#include "app/prompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/save_format.h"

namespace {

std::optional<OpenFileChoice> AskOpenFile(QWidget* parent, const QString& folder, int filterIndex) {
    QFileDialog dialog(parent, QStringLiteral("Open"), folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly);
    const QStringList filters = OpenFileFilters();
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const int chosen = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return OpenFileChoice{dialog.selectedFiles().first(), chosen > 0 ? chosen : filterIndex};
}

SaveAsChoice AskSaveFileName(QWidget* parent, const QString& suggestedPath, int filterIndex) {
    const QStringList filters = SaveAsFilters();
    QString chosenFilter = filters.value(filterIndex - 1);
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggestedPath,
                                                      filters.join(QStringLiteral(";;")), &chosenFilter);
    return {path, int(filters.indexOf(chosenFilter)) + 1};
}

SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& documentTitle) {
    const auto answer = QMessageBox::warning(
        parent, QStringLiteral("Quorvane"), QStringLiteral("Save changes to %1?").arg(documentTitle),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Save) return SaveChangesAnswer::save;
    if (answer == QMessageBox::Discard) return SaveChangesAnswer::discard;
    return SaveChangesAnswer::cancel;
}

}  // namespace

Prompts& UserPrompts() {
    static Prompts prompts{AskOpenFile, AskSaveFileName, AskSaveChanges};
    return prompts;
}

QStringList OpenFileFilters() {
    return {
        QStringLiteral("KESL Image Files (*.qvz *.qv2 *.qv3 *.qv4 *.qv5 *.c51 *.c37 *.qv6 *.qvw)"),
        QStringLiteral("FITS Image Files (*.fit *.fts *.fits)"),
        QStringLiteral("All files (*)"),
    };
}

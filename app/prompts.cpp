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
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[OpenFilterPlace(filterIndex)]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const int place = int(filters.indexOf(dialog.selectedNameFilter()));
    return OpenFileChoice{dialog.selectedFiles().first(), place >= 0 ? OpenFilterIndex(place) : filterIndex};
}

SaveAsChoice AskSaveFileName(QWidget* parent, const QString& suggestedPath, int filterIndex) {
    const std::unique_ptr<QFileDialog> dialog = MakeSaveAsDialog(parent, suggestedPath, filterIndex);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return {dialog->selectedFiles().first(), int(SaveAsFilters().indexOf(dialog->selectedNameFilter())) + 1};
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
        QStringLiteral("All supported images (*.qvz *.qv2 *.qv3 *.qv4 *.qv5 *.c51 *.c37 *.qv6 *.qvw *.fit *.fts *.fits)"),
        QStringLiteral("KESL Image Files (*.qvz *.qv2 *.qv3 *.qv4 *.qv5 *.c51 *.c37 *.qv6 *.qvw)"),
        QStringLiteral("FITS Image Files (*.fit *.fts *.fits)"),
        QStringLiteral("All files (*)"),
    };
}

namespace {
constexpr int kOpenFilterCount = 4;
}  // namespace

int OpenFilterPlace(int filterIndex) { return ((filterIndex % kOpenFilterCount) + kOpenFilterCount) % kOpenFilterCount; }

int OpenFilterIndex(int place) { return place == 0 ? kOpenFilterCount : place; }

std::unique_ptr<QFileDialog> MakeSaveAsDialog(QWidget* parent, const QString& suggestedPath, int filterIndex) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Save As"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QStringList filters = SaveAsFilters();
    dialog->setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog->selectNameFilter(filters[filterIndex - 1]);
    if (!suggestedPath.isEmpty()) dialog->selectFile(suggestedPath);
    return dialog;
}

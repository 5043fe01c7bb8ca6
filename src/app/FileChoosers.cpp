// FileChoosers.cpp -- QFileDialog set up as each of the window's dialogs.
#include "app/FileChoosers.h"

#include <QFileDialog>

namespace tessaly {

namespace {

std::optional<QString> runDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

std::optional<QString> ChooseBackupTarget(QWidget* parent) {
    QFileDialog dialog(parent, "Save Outlook Express Data as");
    dialog.setObjectName("cdTarget");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter("Tessaly File (*.tsy)");
    dialog.setDefaultSuffix("tsy");
    dialog.selectFile("vantrel");
    return runDialog(dialog);
}

std::optional<QString> ChooseBackupSource(QWidget* parent) {
    QFileDialog dialog(parent, "Restore Data from a Backup file");
    dialog.setObjectName("cdSource");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("Tessaly File(*.tsy)");
    return runDialog(dialog);
}

std::optional<QString> ChooseFavoritesExportFile(QWidget* parent) {
    QFileDialog dialog(parent, "Backup IE Favorites");
    dialog.setObjectName("cdSource");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter("(*.htm)");
    dialog.setDefaultSuffix("htm");
    return runDialog(dialog);
}

std::optional<QString> ChooseFavoritesImportFile(QWidget* parent) {
    QFileDialog dialog(parent, "Restore IE Favorites");
    dialog.setObjectName("cdSource");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("(*.htm)");
    return runDialog(dialog);
}

} // namespace tessaly

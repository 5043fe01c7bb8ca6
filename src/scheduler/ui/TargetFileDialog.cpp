// TargetFileDialog.cpp -- the save-file dialog of the schedule window.
#include "scheduler/ui/TargetFileDialog.h"

#include <QFileDialog>

namespace tessaly {

std::optional<QString> ChooseTargetFile(QWidget* parent) {
    QFileDialog dialog(parent, QString::fromUtf8(kTargetDialogTitle));
    dialog.setObjectName("cdTarget");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(kTargetDialogFilter));
    dialog.selectFile(QString::fromUtf8(kTargetDialogInitialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace tessaly

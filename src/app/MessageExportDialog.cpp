// MessageExportDialog.cpp -- a folder field with its Browse button, two formats, OK and Cancel.
#include "app/MessageExportDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tessaly {

std::optional<MessageExportChoice> ChooseMessageExport(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName("frmExportMessages");
    dialog.setWindowTitle("Export Messages");
    auto* folder = new QLineEdit(&dialog);
    folder->setObjectName("txtExportFolder");
    folder->setMinimumWidth(folder->fontMetrics().averageCharWidth() * 40);
    auto* browse = new QPushButton("Bro&wse...", &dialog);
    browse->setObjectName("cmdExportFolder");
    auto* mbox = new QRadioButton("&mbox files, one per folder (Thunderbird, Apple Mail, mutt)", &dialog);
    mbox->setObjectName("optMbox");
    mbox->setChecked(true);
    auto* eml = new QRadioButton("&.eml files, one per message", &dialog);
    eml->setObjectName("optEml");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText("&Export");
    ok->setEnabled(false);

    auto* layout = new QGridLayout(&dialog);
    layout->addWidget(new QLabel("Write the messages of the opened backup file into the folder:", &dialog), 0,
                      0, 1, 2);
    layout->addWidget(folder, 1, 0);
    layout->addWidget(browse, 1, 1);
    layout->addWidget(mbox, 2, 0, 1, 2);
    layout->addWidget(eml, 3, 0, 1, 2);
    layout->addWidget(buttons, 4, 0, 1, 2);

    QObject::connect(folder, &QLineEdit::textChanged, ok,
                     [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, folder] {
        QString chosen = QFileDialog::getExistingDirectory(&dialog, "Export Messages into", folder->text());
        if (!chosen.isEmpty())
            folder->setText(chosen);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || folder->text().isEmpty())
        return std::nullopt;
    return MessageExportChoice{folder->text(), eml->isChecked() ? ExportFormat::Eml : ExportFormat::Mbox};
}

} // namespace tessaly

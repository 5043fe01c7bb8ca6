// frmPwd.cpp -- the password prompt's controls and its OK / Enter / Cancel behaviour.
#include "app/frmPwd.h"
#include "uikit/ScreenFit.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

frmPwd::frmPwd(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPwd");
    setWindowTitle("Please enter password");
    setModal(true);

    auto* frame = new QGroupBox("Security", this);
    frame->setObjectName("Frame1");
    auto* prompt = new QLabel("Enter the password of this backup file:", frame);
    prompt->setObjectName("SkinLabel1");
    prompt->setWordWrap(true);
    prompt->setTextFormat(Qt::PlainText);
    prompt_ = prompt;
    txtPassword_ = new QLineEdit(frame);
    txtPassword_->setObjectName("txtPassword");
    txtPassword_->setEchoMode(QLineEdit::Password);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(prompt);
    frameLayout->addWidget(txtPassword_);

    auto* cmdOK = new QPushButton("&OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    auto* cmdExit = new QPushButton("&Cancel", this);
    cmdExit->setObjectName("cmdExit");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(scrollingBody(this));
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(txtPassword_, &QLineEdit::returnPressed, this, &QDialog::accept);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::reject);
    txtPassword_->setFocus();
    fitToScreen(this);
}

void frmPwd::setFile(const std::string& file, bool again) {
    const QString path = QString::fromStdString(file);
    const QString name = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    prompt_->setText((again ? QStringLiteral("That password does not open %1. Enter it again:")
                            : QStringLiteral("Enter the password of the backup file %1:"))
                         .arg(name));
    prompt_->setToolTip(path);
}

std::optional<std::string> frmPwd::ask() {
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return txtPassword_->text().toStdString();
}

} // namespace tessaly

// frmPwd.h -- the password prompt for a backup file: masked input, Enter or OK accepts, Cancel keeps nothing.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace tessaly {

class frmPwd : public QDialog {
    Q_OBJECT
public:
    explicit frmPwd(QWidget* parent = nullptr);

    // Names the backup file the password is for; `again` says that the last one typed was wrong.
    void setFile(const std::string& file, bool again);

    // Shows the prompt modally: the typed text after "OK" or Enter, nullopt after "Cancel" or closing.
    std::optional<std::string> ask();

private:
    QLineEdit* txtPassword_ = nullptr;
    QLabel* prompt_ = nullptr;
};

} // namespace tessaly

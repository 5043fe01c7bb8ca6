// frmErase.h -- the "Erase Re-Writable CD/DVD" window.
#pragma once

#include "disc/ui/DiscJobDialog.h"

#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

class frmErase : public DiscJobDialog {
    Q_OBJECT
public:
    // Borrows the writing window's control (objCDR) and receives its events until it closes. `drive`
    // names the chosen drive in the question asked before erasing.
    frmErase(DiscWriter& objCDR, Ui& ui, QWidget* parent = nullptr, std::string drive = "");
    ~frmErase() override;

    void EraseStarted() override;
    void EraseDone() override;
    void DriveError(int kind, int code, const std::string& text, const std::string& senseData) override;

private:
    void cmdErase_Click();
    void enableButtons(bool enabled);

    QCheckBox* chkQuikErase_ = nullptr;
    QPushButton* cmdErase_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    std::string drive_;
};

// Shows the erase window modally over parent, on the writing window's control and chosen drive.
void ShowErase(DiscWriter& objCDR, Ui& ui, QWidget* parent, const std::string& drive);

} // namespace tessaly

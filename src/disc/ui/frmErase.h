// frmErase.h -- the "Erase Re-Writable CD/DVD" window.
#pragma once

#include "disc/ui/DiscJobDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

class frmErase : public DiscJobDialog {
    Q_OBJECT
public:
    // Borrows the writing window's control (objCDR) and receives its events until it closes.
    frmErase(DiscWriter& objCDR, Ui& ui, QWidget* parent = nullptr);
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
};

// Shows the erase window modally over parent, on the writing window's control.
void ShowErase(DiscWriter& objCDR, Ui& ui, QWidget* parent);

} // namespace tessaly

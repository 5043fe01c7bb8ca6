// frmErase.h -- the "Erase Re-Writable CD/DVD" window.
#pragma once

#include "disc/DiscWriter.h"
#include "platform/Ui.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

class frmErase : public QDialog, public DiscEvents {
    Q_OBJECT
public:
    // Borrows the writing window's control (objCDR) and receives its events until it closes.
    frmErase(DiscWriter& objCDR, Ui& ui, QWidget* parent = nullptr);
    ~frmErase() override;

    bool busy() const { return busy_; }

    void EraseStarted() override;
    void EraseDone() override;
    void DriveError(int kind, int code, const std::string& text, const std::string& senseData) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void cmdErase_Click();
    void enableButtons(bool enabled);
    void message(const std::string& text, MsgIcon icon);

    DiscWriter& mobjDVDPro_;
    Ui& ui_;
    bool busy_ = false;

    QCheckBox* chkQuikErase_ = nullptr;
    QPushButton* cmdErase_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QLabel* lblStatus_ = nullptr;
};

// Shows the erase window modally over parent, on the writing window's control.
void ShowErase(DiscWriter& objCDR, Ui& ui, QWidget* parent);

} // namespace tessaly

// frmDiscInfo.h -- the "Disc Information" window: what the loaded disc is; closing its session or disc.
#pragma once

#include "disc/ui/DiscJobDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

class frmDiscInfo : public DiscJobDialog {
    Q_OBJECT
public:
    // Borrows the writing window's control (objCDR) and receives its events until it closes.
    frmDiscInfo(DiscWriter& objCDR, Ui& ui, QWidget* parent = nullptr);
    ~frmDiscInfo() override;

    void FillDiscInfo();

    void ClosingSession() override;
    void ClosingDisc() override;
    void WriteDone() override;
    void DriveError(int kind, int code, const std::string& text, const std::string& senseData) override;

private:
    void buildControls();
    void closeMedia(bool wholeDisc);

    QLabel* lblValueMediaType_ = nullptr;
    QLabel* lblValueDiscStatus_ = nullptr;
    QLabel* lblValueFreeSpace_ = nullptr;
    QLabel* lblValueUsedSpace_ = nullptr;
    QLabel* lblValueTotalCapacity_ = nullptr;
    QLabel* lblValueSessions_ = nullptr;
    QLabel* lblValueLastSessionStatus_ = nullptr;
    QLabel* lblValueDiscType_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QCheckBox* chkISO9660FS_ = nullptr;
    QCheckBox* chkJolietFS_ = nullptr;
    QCheckBox* chkUDFFS_ = nullptr;
    QCheckBox* chkOtherFS_ = nullptr;
    QCheckBox* chkMultiSessionAllowed_ = nullptr;
    QCheckBox* chkImportPermitted_ = nullptr;
    QPushButton* cmdCloseDisc_ = nullptr;
    QPushButton* cmdCloseSession_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

// Opens the disc information window over frmParent without blocking it (or refreshes the one already
// open there); with no medium loaded it only says so. Returns the window, or nullptr when none opened.
frmDiscInfo* ShowDiscInfo(DiscWriter& objCDR, Ui& ui, QWidget* frmParent);

} // namespace tessaly

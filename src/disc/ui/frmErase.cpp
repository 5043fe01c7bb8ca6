// frmErase.cpp -- the "Erase Re-Writable CD/DVD" window.
#include "disc/ui/frmErase.h"
#include "uikit/ScreenFit.h"

#include "disc/DriveErrorText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

// The feature a drive needs to erase a rewritable medium of this type; 0 when the medium is not one.
int eraseFeatureFor(int mediaType) {
    switch (mediaType) {
    case kMediaCdRw:
        return kFeatureCdRw;
    case kMediaDvdRw:
        return kFeatureDvdRw;
    case kMediaDvdRam:
        return kFeatureDvdRam;
    case kMediaDvdPlusRw:
        return kFeatureDvdPlusRw;
    default:
        return 0;
    }
}

} // namespace

frmErase::frmErase(DiscWriter& objCDR, Ui& ui, QWidget* parent, std::string drive)
    : DiscJobDialog(objCDR, ui, parent), drive_(std::move(drive)) {
    setObjectName("frmErase");
    setWindowTitle("Erase Re-Writable CD/DVD");
    setModal(true);

    auto* layout = new QVBoxLayout(scrollingBody(this));
    chkQuikErase_ = new QCheckBox("Perform &Quick Erase", this);
    chkQuikErase_->setObjectName("chkQuikErase");
    chkQuikErase_->setChecked(true);
    auto* lblNote =
        new QLabel("NOTE: If not performing a quick erase, it could take several minutes to completely "
                   "erase the disc. This operation cannot be cancelled. A quick erase will erase the "
                   "table of contents, but not the actual data.",
                   this);
    lblNote->setObjectName("lblNote");
    lblNote->setWordWrap(true);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    cmdErase_ = new QPushButton("&Erase", this);
    cmdErase_->setObjectName("cmdErase");
    cmdErase_->setAutoDefault(false);
    cmdCancel_ = new QPushButton("&Cancel", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setAutoDefault(false);

    layout->addWidget(chkQuikErase_);
    layout->addWidget(lblNote);
    layout->addWidget(lblStatus_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdErase_);
    buttons->addWidget(cmdCancel_);
    layout->addLayout(buttons);
    resize(400, 180);
    fitToScreen(this);

    connect(cmdErase_, &QPushButton::clicked, this, [this] { cmdErase_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { close(); });
    mobjDVDPro_.addListener(this);
}

frmErase::~frmErase() {
    mobjDVDPro_.removeListener(this);
}

void frmErase::cmdErase_Click() {
    const int media = mobjDVDPro_.MediaType();
    if (media == kMediaNotLoaded) {
        message("No Media Loaded.", MsgIcon::Information);
        close();
        return;
    }
    const int feature = eraseFeatureFor(media);
    if (feature == 0) {
        message("The current media is not Re-Writable.", MsgIcon::Information);
        close();
        return;
    }
    if (!mobjDVDPro_.HasFeature(feature)) {
        message("Selected drive does not support Re-Writable discs of this format.", MsgIcon::Information);
        close();
        return;
    }
    // Nothing on the disc survives: only an explicit OK goes on.
    if (ui_.messageBox("Erase the disc in " + (drive_.empty() ? std::string("the chosen drive") : drive_) +
                           "? Everything on it will be lost.",
                       kAppTitle, MsgIcon::Information, MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    if (!mobjDVDPro_.EraseMedia(chkQuikErase_->isChecked())) {
        message("Error Erasing Disc!!!", MsgIcon::Critical);
        close();
    }
}

void frmErase::EraseStarted() {
    busy_ = true;
    lblStatus_->setText("Erasing Disc...Please Wait!!");
    enableButtons(false);
}

void frmErase::EraseDone() {
    lblStatus_->setText("Erase operation complete!!!");
    message("Erase Completed!!!", MsgIcon::Information);
    enableButtons(true);
    busy_ = false;
    close();
}

void frmErase::DriveError(int kind, int code, const std::string& text, const std::string& senseData) {
    if (!busy_)
        return; // not an erase of this window
    message(DriveErrorMessage(kind, code, text, senseData), MsgIcon::Critical);
    enableButtons(true);
    busy_ = false;
}

void frmErase::enableButtons(bool enabled) {
    cmdErase_->setEnabled(enabled);
    cmdCancel_->setEnabled(enabled);
}

void ShowErase(DiscWriter& objCDR, Ui& ui, QWidget* parent, const std::string& drive) {
    frmErase window(objCDR, ui, parent, drive);
    window.exec();
}

} // namespace tessaly

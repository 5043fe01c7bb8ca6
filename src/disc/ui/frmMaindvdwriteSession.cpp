// frmMaindvdwriteSession.cpp -- the writing window's drives, speeds, options, write commands and job events.
#include "disc/DriveErrorText.h"
#include "disc/ui/DiscFormats.h"
#include "disc/ui/ImageViews.h"
#include "disc/ui/frmMaindvdwrite.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <cmath>

namespace tessaly {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The speed list counts a drive without a medium as a CD drive.
bool isCdForSpeeds(int mediaType) {
    return mediaType == kMediaCdRw || mediaType == kMediaNotLoaded || mediaType == kMediaCdR;
}

int percentOf(long long part, long long whole) {
    return whole == 0 ? 0 : static_cast<int>(std::lround(static_cast<double>(part) / whole * 100.0));
}

} // namespace

void frmMaindvdwrite::FillDriveList() {
    {
        QSignalBlocker block(cboDevices_);
        cboDevices_->clear();
    }
    selectedDrive_ = -1;
    const int count = control_.DriveCount();
    {
        QSignalBlocker block(cboDevices_);
        for (int i = 0; i < count; ++i) {
            if (control_.IsWriter(i))
                cboDevices_->addItem(
                    qs(control_.DriveId(i) + ": " + control_.DriveVendor(i) + " " + control_.DriveModel(i)),
                    i);
        }
        cboDevices_->setCurrentIndex(-1);
    }
    if (cboDevices_->count() == 0) {
        message("There are no compatible CDR drives reported.\r\nSome older CDR drives are not currently "
                "supported.",
                MsgIcon::Information);
        return;
    }
    cboDevices_->setCurrentIndex(0);
}

void frmMaindvdwrite::cboDevices_Click() {
    const int row = cboDevices_->currentIndex();
    if (row < 0)
        return;
    const int drive = cboDevices_->itemData(row).toInt();
    selectedDrive_ = control_.SelectDrive(drive) ? drive : -1;
    FillWriteSpeeds();
    const bool burnProof = control_.HasFeature(kFeatureBufferProtection);
    chkUseBurnProof_->setEnabled(burnProof);
    chkUseBurnProof_->setChecked(burnProof);
}

void frmMaindvdwrite::FillWriteSpeeds() {
    {
        QSignalBlocker block(cboWriteSpeed_);
        cboWriteSpeed_->clear();
        for (const SpeedRow& row :
             WriteSpeedRows(control_.MaxWriteSpeed(), isCdForSpeeds(control_.MediaType())))
            cboWriteSpeed_->addItem(qs(row.text), row.kbPerSecond);
        cboWriteSpeed_->setCurrentIndex(-1);
    }
    if (cboWriteSpeed_->count() > 0)
        cboWriteSpeed_->setCurrentIndex(0);
}

void frmMaindvdwrite::cboWriteSpeed_Click() {
    const int row = cboWriteSpeed_->currentIndex();
    if (row < 0 || cboWriteSpeed_->itemText(row) == "Default")
        return;
    control_.SetWriteSpeed(cboWriteSpeed_->itemData(row).toInt());
}

void frmMaindvdwrite::chkCacheImage_Click(bool checked) {
    if (checked)
        message("Caching an image for a DVD format is not recommended and is limited to 4.2GB!",
                MsgIcon::Information);
}

void frmMaindvdwrite::chkUseJoliet_Click(bool checked) {
    control_.SetJoliet(checked ? 1 : 0);
}

// Mode 2 XA cannot be written here: say so when it is chosen and keep Mode 1.
void frmMaindvdwrite::chkUseMode2XA_Click(bool checked) {
    if (!checked)
        return;
    message(kTrackMode2XaUnsupported, MsgIcon::Information);
    chkUseMode2XA_->setChecked(false);
}

bool frmMaindvdwrite::applyMediaSettings(bool forWrite) {
    if (IsCdMedia(control_.MediaType())) {
        control_.SetDvdHighCompatibility(false);
        if (!control_.SetTrackMode(chkUseMode2XA_->isChecked() ? kTrackMode2Xa : kTrackMode1)) {
            message(kTrackMode2XaUnsupported, MsgIcon::Critical);
            return false;
        }
        if (forWrite)
            control_.SetTestWrite(chkTestWrite_->isChecked());
    } else {
        control_.SetDvdHighCompatibility(chkDVDHighCompMode_->isChecked());
        control_.SetTrackMode(kTrackMode1);
        if (forWrite)
            control_.SetTestWrite(false);
    }
    return true;
}

bool frmMaindvdwrite::driveAndDiscReady(const char* noDiscText) {
    if (selectedDrive_ == -1) {
        message("A drive is not selected or does not exist.", MsgIcon::Information);
        return false;
    }
    if (control_.MediaType() == kMediaNotLoaded) {
        message(noDiscText, MsgIcon::Information);
        return false;
    }
    return true;
}

void frmMaindvdwrite::cmdWriteDisc_Click() {
    if (!driveAndDiscReady("Please Insert Writable Media before continuing!"))
        return;
    control_.SetAutoVerify(chkAutoVerify_->isChecked());
    control_.SetFinalizeDisc(chkFinalizeDisc_->isChecked());
    control_.SetWriteFlag(true);
    control_.SetJoliet(chkUseJoliet_->isChecked() ? 1 : 0);
    control_.SetVolumeLabel(txtVolIdentifier_->text().toStdString());
    control_.SetCacheImage(chkCacheImage_->isChecked());
    control_.SetBufferProtection(chkUseBurnProof_->isChecked());
    if (!applyMediaSettings(true))
        return;
    if (!control_.StartWrite())
        message("Disc Write could not be started.", MsgIcon::Critical);
}

void frmMaindvdwrite::cmdCancel_Click() {
    setPanel(1, "Aborting Write...Please Wait!");
    control_.AbortWrite();
}

std::optional<std::string> frmMaindvdwrite::chooseIso(const std::string& title, const std::string& fileName,
                                                      bool save) {
    if (!hooks_.chooseIsoFile)
        return std::nullopt;
    return hooks_.chooseIsoFile(this, IsoFileRequest{title, fileName, "ISO file (*.iso)|*.iso", save});
}

void frmMaindvdwrite::mnuFileSaveISO_Click() {
    const std::optional<std::string> file = chooseIso("Save as ISO File", "Dunmoor.iso", true);
    if (!file || file->empty()) {
        SetWindowIdle(true);
        return;
    }
    SetWindowIdle(false);
    control_.SetAutoVerify(false);
    control_.SetJoliet(chkUseJoliet_->isChecked() ? 1 : 0);
    control_.SetVolumeLabel(txtVolIdentifier_->text().toStdString());
    if (!applyMediaSettings(false)) {
        SetWindowIdle(true);
        return;
    }
    const bool ok = control_.SaveISO(*file);
    SetWindowIdle(true);
    if (ok)
        message("ISO File Created successfully!", MsgIcon::Information);
    else
        message("Error creating ISO File.", MsgIcon::Critical);
    UpdateImageSummary();
}

void frmMaindvdwrite::mnuFileWriteISO_Click() {
    const std::optional<std::string> file = chooseIso("Write ISO File", "Test.iso", false);
    if (!file || file->empty()) {
        SetWindowIdle(true);
        return;
    }
    SetWindowIdle(false);
    control_.SetAutoVerify(false);
    if (!control_.SetTrackMode(chkUseMode2XA_->isChecked() ? kTrackMode2Xa : kTrackMode1)) {
        SetWindowIdle(true);
        message(kTrackMode2XaUnsupported, MsgIcon::Critical);
        return;
    }
    control_.SetFinalizeDisc(chkFinalizeDisc_->isChecked());
    control_.SetWriteFlag(true);
    control_.SetTestWrite(chkTestWrite_->isChecked());
    control_.SetBufferProtection(chkUseBurnProof_->isChecked());
    if (!control_.WriteISO(*file)) {
        SetWindowIdle(true);
        message("Error Writing ISO File.", MsgIcon::Critical);
    }
}

void frmMaindvdwrite::mnuImportSession_Click() {
    if (!driveAndDiscReady("Please Insert a disc before continuing!"))
        return;
    setPanel(1, "Importing Previous Session...");
    if (!control_.ImportSession(true)) {
        message("Previous Session could not be imported\r\nOnly ISO/Joliet tracks (Mode1) can be imported.",
                MsgIcon::Critical);
        return;
    }
    txtVolIdentifier_->setText(qs(control_.VolumeLabel()));
    // The control adds the session's items without telling each one: their folders join the tree here.
    addTreeFolders();
    if (QTreeWidgetItem* first = tvwDirectories_->topLevelItem(0))
        first->setExpanded(true);
    RefreshImageView();
}

void frmMaindvdwrite::ReplaceImported(const std::string& importedFile, const std::string& newFile,
                                      const std::string& /*text*/, bool& replace) {
    const std::string question = "Imported file from the last session on this disc: \r\n" + importedFile +
                                 "\r\nWould you like to replace it with: \r\n" + newFile + " ?";
    replace = ui_.messageBox(question, "Replace imported file...", MsgIcon::Question, MsgButtons::OkCancel) ==
              MsgResult::Ok;
}

void frmMaindvdwrite::WritePreparing() {
    setPanel(1, "Preparing to Write....");
    prgTotalProgress_->setValue(0);
    SetWindowIdle(false);
}

void frmMaindvdwrite::CreatingFolders() {
    setPanel(1, "Creating Directories....");
}

void frmMaindvdwrite::CachingProgress(int percent) {
    setPanel(2, "Caching - " + qs(TwoDigits(percent)) + " %");
}

void frmMaindvdwrite::WriteProgress(int /*track*/, long long doneBlocks, long long totalBlocks) {
    prgTotalProgress_->setValue(percentOf(doneBlocks, totalBlocks));
}

void frmMaindvdwrite::ClosingTrack() {
    setPanel(1, "Closing Track....");
}

void frmMaindvdwrite::ClosingSession() {
    setPanel(1, "Closing Session....");
}

void frmMaindvdwrite::ClosingDisc() {
    setPanel(1, "Closing Disc....");
}

void frmMaindvdwrite::ReadProgress(const std::string& text, long long count, int track) {
    setPanel(1,
             "Track: " + qs(TwoDigits(track)) + " - Reading..." + QString::number(count) + " - " + qs(text));
}

void frmMaindvdwrite::FileError(int code, const std::string& fileName) {
    setPanel(1, "ERROR:" + qs(FileErrorText(code, fileName)));
}

void frmMaindvdwrite::DriveError(int kind, int code, const std::string& text, const std::string& senseData) {
    // A close or erase of the other disc windows reports its own failure there.
    const bool ownJob = !windowIdle_;
    if (ownJob)
        message(DriveErrorMessage(kind, code, text, senseData), MsgIcon::Critical);
    SetWindowIdle(true);
}

void frmMaindvdwrite::WriteDone() {
    // A close started from the disc information window ends with WriteDone too; only a write of
    // this window is announced and ejected.
    const bool ownWrite = !windowIdle_;
    setPanel(1, "Writing Complete!");
    SetWindowIdle(true);
    if (!ownWrite)
        return;
    const bool verify = control_.AutoVerify();
    if (!verify)
        message("Writing is complete!", MsgIcon::Information);
    if (!verify && !control_.TestWrite())
        control_.EjectTray(false);
}

void frmMaindvdwrite::WriteCancelled() {
    setPanel(1, "Writing Cancelled......");
    SetWindowIdle(true);
    message("Writing Cancelled!", MsgIcon::Information);
}

void frmMaindvdwrite::VerifyStarted(int files) {
    setPanel(1, QString("Auto-Verify... %1 new files.").arg(files));
}

void frmMaindvdwrite::VerifyFile(const std::string& discFile, const std::string& sourceFile, int result,
                                 int index, int total) {
    const char* problem = nullptr;
    switch (result) {
    case kVerifySourceUnreadable:
        problem = "Verify Error - Could not read Source file from disc: ";
        break;
    case kVerifyDiscUnreadable:
        problem = "Verify Error - Could not read Destination file from disc: ";
        break;
    case kVerifyMismatch:
        problem = "Verify Error - Source and Destination file did not match: ";
        break;
    case kVerifySizeMismatch:
        problem = "Verify Error - Size of Source and Destination file did not match: ";
        break;
    default:
        break;
    }
    if (problem)
        message(std::string(problem) + "\r\n" + discFile + " (disc)\r\n" + sourceFile + " (source)",
                MsgIcon::None);
    setPanel(1, "Auto-Verify... " + qs(discFile));
    prgTotalProgress_->setValue(percentOf(index, total));
    yield();
}

void frmMaindvdwrite::VerifyDone(int files, int matched) {
    setPanel(1, QString("Auto-Verify...Complete (%1 of %2 MATCHED)").arg(matched).arg(files));
    control_.EjectTray(false);
    message("Writing and Verify is complete!", MsgIcon::Information);
}

} // namespace tessaly

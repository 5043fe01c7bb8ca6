// frmMaindvdwrite.h -- the "Backup your data to CD and DVD" window: the disc layout and writing it.
#pragma once

#include "disc/DiscWriter.h"
#include "disc/ui/DiscWindowHooks.h"
#include "platform/Ui.h"

#include <QDialog>
#include <QHash>
#include <QStringList>

#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;

namespace tessaly {

class ImageView;
class SplitterBar;

// The backup file the main window hands over: its bare name and its full path.
struct DiscHandOver {
    std::string backupfiletocd;
    std::string backupcdpath;
};

// The writing window. It mirrors the control's data image in a folder tree and a file list, takes
// dropped files and folders, writes the image (or an ISO file) to the selected drive and reacts to
// the control's events. The control is lent to the disc information and erase windows.
class frmMaindvdwrite : public QDialog, public DiscEvents {
    Q_OBJECT
public:
    // Starts the window on the control: drives, an empty image, and the handed-over file.
    frmMaindvdwrite(DiscWriter& control, Ui& ui, DiscHandOver handOver = {}, DiscWindowHooks hooks = {},
                    QWidget* parent = nullptr);
    ~frmMaindvdwrite() override;

    // The layout editor.
    void AddDroppedItems(const QStringList& paths);
    bool ValidateItemName(const QString& name);
    void ResetImageView();
    void ShowFolderFiles(const QString& path);
    void RefreshImageView();
    void UpdateImageSummary();

    // The write session.
    void FillDriveList();
    void FillWriteSpeeds();
    void SetWindowIdle(bool idle);
    bool windowIdle() const { return windowIdle_; }
    int selectedDrive() const { return selectedDrive_; }

    // The text of a status-bar panel (1 to 3).
    QString panelText(int panel) const;
    DiscWriter& control() { return control_; }

    // The control's events.
    void ItemAdded(const std::string& parentPath, const std::string& path, const std::string& name,
                   const std::string& source, bool isFolder) override;
    void ItemListed(const std::string& parentPath, const std::string& path, const std::string& name,
                    const std::string& source, bool isFolder, std::time_t modified, long long size) override;
    void FolderRemoved(const std::string& path, const std::string& text, bool ok) override;
    void FolderRenamed(const std::string& oldPath, const std::string& newPath, bool ok) override;
    void ImageCleared() override;
    void ReplaceImported(const std::string& importedFile, const std::string& newFile, const std::string& text,
                         bool& replace) override;
    void WritePreparing() override;
    void CreatingFolders() override;
    void CachingProgress(int percent) override;
    void WriteProgress(int track, long long doneBlocks, long long totalBlocks) override;
    void ClosingTrack() override;
    void ClosingSession() override;
    void ClosingDisc() override;
    void ReadProgress(const std::string& text, long long count, int track) override;
    void WriteDone() override;
    void WriteCancelled() override;
    void VerifyStarted(int files) override;
    void VerifyFile(const std::string& discFile, const std::string& sourceFile, int result, int index,
                    int total) override;
    void VerifyDone(int files, int matched) override;
    void DriveError(int kind, int code, const std::string& text, const std::string& senseData) override;
    void FileError(int code, const std::string& fileName) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    QWidget* buildImageArea();
    QWidget* buildOptions();
    void buildMenus();
    void Form_Load();

    // Commands.
    void mnuFileClear_Click();
    // File -> Add Files... / Add Folder...: what the dialog chose goes the way of a drop.
    void mnuFileAdd_Click(bool folder);
    void mnuFileRemoveDir_Click();
    void mnuFileRemoveFile_Click();
    void mnuFileRenameDir_Click();
    void mnuFileRenameFile_Click();
    void mnuFileSaveISO_Click();
    void mnuFileWriteISO_Click();
    void mnuImportSession_Click();
    void mnuAbout_Click();
    void cmdWriteDisc_Click();
    void cmdCancel_Click();
    void cboDevices_Click();
    void cboWriteSpeed_Click();
    void chkCacheImage_Click(bool checked);
    void chkUseJoliet_Click(bool checked);
    void chkUseMode2XA_Click(bool checked);
    void txtVolIdentifier_Change(const QString& text);
    void popupFileMenu(bool overTree, const QPoint& globalPos);

    // Label edits of tree and list.
    bool tvwDirectories_BeforeLabelEdit(QTreeWidgetItem* node);
    bool tvwDirectories_AfterLabelEdit(QTreeWidgetItem* node, const QString& newText);
    bool lvwImageFiles_AfterLabelEdit(QTreeWidgetItem* row, const QString& newText);
    // Renames the folder or file an ended edit names; false when the name or the rename is refused.
    bool renameEdited(QTreeWidgetItem* item, const QString& newText, bool folder);

    // The splitter bar.
    void imgSplitter_MouseDown(int x);
    void imgSplitter_MouseMove(int x);
    void imgSplitter_MouseUp(int x);
    int clampSplitter(int x) const;

    // Write settings shared by Write Disc and the ISO save; false when the track mode is refused.
    bool applyMediaSettings(bool forWrite);
    // Says what is missing when no drive is chosen or it holds no disc (noDiscText).
    bool driveAndDiscReady(const char* noDiscText);
    std::optional<std::string> chooseIso(const std::string& title, const std::string& fileName, bool save);
    void refreshLater();
    void addTreeFolders();
    QTreeWidgetItem* addFolderNode(const QString& parentPath, const QString& path, const QString& name);
    QTreeWidgetItem* nodeOf(const QString& path) const;
    void rekeyNode(QTreeWidgetItem* node, const QString& oldPath, const QString& newPath);
    void forgetNode(QTreeWidgetItem* node);
    void message(const std::string& text, MsgIcon icon);
    void setPanel(int panel, const QString& text);
    void yield();

    DiscWriter& control_;
    Ui& ui_;
    DiscHandOver handOver_;
    DiscWindowHooks hooks_;

    int selectedDrive_ = -1;
    bool windowIdle_ = true;
    bool collectingFolders_ = false;
    std::vector<std::string> collectedFolders_;

    QHash<QString, QTreeWidgetItem*> nodes_; // by case-folded image path
    ImageView* tvwDirectories_ = nullptr;
    ImageView* lvwImageFiles_ = nullptr;
    SplitterBar* imgSplitter_ = nullptr;
    QFrame* picSplitter_ = nullptr;
    QWidget* imageArea_ = nullptr;
    QLineEdit* txtVolIdentifier_ = nullptr;
    QComboBox* cboDevices_ = nullptr;
    QComboBox* cboWriteSpeed_ = nullptr;
    QProgressBar* prgTotalProgress_ = nullptr;
    QPushButton* cmdWriteDisc_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QCheckBox* chkAutoVerify_ = nullptr;
    QCheckBox* chkTestWrite_ = nullptr;
    QCheckBox* chkFinalizeDisc_ = nullptr;
    QCheckBox* chkCacheImage_ = nullptr;
    QCheckBox* chkUseBurnProof_ = nullptr;
    QCheckBox* chkUseMode2XA_ = nullptr;
    QCheckBox* chkDVDHighCompMode_ = nullptr;
    QCheckBox* chkUseJoliet_ = nullptr;
    QLabel* panels_[3] = {};
    QMenu* mnuFile_ = nullptr;
    QMenu* mnuCDRecorder_ = nullptr;
    QAction* mnuFileAddFiles_ = nullptr;
    QAction* mnuFileAddFolder_ = nullptr;
    QAction* mnuFileClear_ = nullptr;
    QAction* mnuFileRemoveDir_ = nullptr;
    QAction* mnuFileRenameDir_ = nullptr;
    QAction* mnuFileRemoveFile_ = nullptr;
    QAction* mnuFileRenameFile_ = nullptr;
};

} // namespace tessaly

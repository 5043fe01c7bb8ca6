// frmMain.h -- the main window: backup and restore tabs, menus, and the commands that call the engine.
#pragma once

#include "app/AppLinks.h"
#include "app/FileChoosers.h"
#include "app/MessageExportDialog.h"
#include "app/QtUi.h"
#include "backupfile/BackupContainer.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QListWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tessaly {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The window shows its dialogs and progress through `ui`, which the session's registry also uses.
    frmMain(ProfileSession& session, MainWindowState& state, QtUi& ui, QWidget* parent = nullptr);
    ~frmMain() override;

    // Replace the file dialogs and the desktop's opener (tests answer them themselves).
    void setFileChoosers(FileChoosers choosers) { choosers_ = std::move(choosers); }
    void setMessageExportChooser(MessageExportChooser chooser) { chooseMessageExport_ = std::move(chooser); }
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

    // The start-up probe and the identity lists; the info file goes into infoFolder.
    void Form_Load(const std::string& infoFolder);
    // A line on the status bar (the sample-profile notice, a refused command).
    void showStatus(const QString& text);
    // True from the start of a backup, restore or inspection to its last message.
    bool isRunning() const { return running_; }

public slots:
    // The action button: the backup driver on the backup tab, the restore driver after its warning.
    void cmdApply_Click();
    // The quit procedure: closes the about box, deletes the temporary archive, closes the window and
    // emits programEnded. Asked during a backup or restore, it first asks whether to stop the run
    // and quit; during other work it waits until the work has finished.
    void quit_Click();
    // SIGINT or SIGTERM: the same, without the question.
    void quitWithoutAsking();
    // Stop (the action button during a run, or Escape): the backup or restore stops at its next
    // safe point.
    void stopRun();
    // True while a backup or restore runs that Stop can end.
    bool isStoppable() const { return stoppable_; }

signals:
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // frmMainLayout.cpp
    void buildControls();
    QWidget* buildBackupTab();
    QWidget* buildRestoreTab();
    QWidget* buildProgressPanel();
    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption);
    void markComingLater(QAction* action);

    // frmMain.cpp
    void SSTab1_Click(int previousTab);
    void cbSource_Click();
    void ifprotect_Click();
    void protectionChoice_Click();
    Protection chosenProtection() const;
    void setItems(const std::array<QCheckBox*, kBackupItemCount>& boxes, bool checked);
    void gethelp();
    void website_Click();
    void about_Click();
    void deleteTempArchive();

    // frmMainRuns.cpp
    bool refusedDuringRun();
    bool beginRun();
    void endRun();
    void finishRun(bool stopped, const char* stoppedText);
    void setStopMode(bool on);
    void quitDuringRun(bool ask);
    void cmdTargetFile_Click();
    void cmdSourceFile_Click();
    void lstVersions_Click();
    void openSourceFile(const std::string& file);
    void runBackupDriver();
    void runRestoreDriver();
    void TaskScheduler_Click();
    void backupiefavorites_Click();
    void restoreiefavorites_Click();
    void cmdExportMessages_Click();
    const IdentityColumn* chosenIdentity(QComboBox* list) const;

    ProfileSession& session_;
    MainWindowState& state_;
    QtUi& ui_;
    FileChoosers choosers_;
    MessageExportChooser chooseMessageExport_ = ChooseMessageExport;
    UrlOpener openUrl_ = openWithDesktop;

    bool running_ = false;
    bool quitPending_ = false;
    bool quitting_ = false;
    bool stoppableRun_ = false;    // a backup or restore (not an inspection) is running
    bool stoppable_ = false;       // ... and is at work: the action button is Stop
    bool stopStatusShown_ = false; // the status line tells of a stop
    QString applyCaption_;
    int shownTab_ = 0;
    std::vector<std::pair<QPointer<QObject>, bool>> runCommands_;
    QPointer<QDialog> aboutBox_;

    QTabWidget* SSTab1_ = nullptr;
    std::array<QCheckBox*, kBackupItemCount> backupitem_{};
    std::array<QCheckBox*, kBackupItemCount> restoreitem_{};
    QGroupBox* Frame1_ = nullptr;
    QGroupBox* Frame4_ = nullptr;
    QComboBox* cbSource_ = nullptr;
    QComboBox* cbTarget_ = nullptr;
    QComboBox* cmbKeep_ = nullptr;       // earlier backups to keep beside the target
    QListWidget* lstVersions_ = nullptr; // the opened file's versions (Restore tab)
    QLineEdit* txtTargetFile_ = nullptr;
    QPushButton* cmdTargetFile_ = nullptr;
    QPlainTextEdit* txtAttachInfo_ = nullptr;
    QCheckBox* ifprotect_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QLineEdit* txtPassword2_ = nullptr;
    QRadioButton* optStrong_ = nullptr;
    QRadioButton* optCompatible_ = nullptr;
    QLabel* lblProtectionNote_ = nullptr;
    QLineEdit* txtSourceFile_ = nullptr;
    QPushButton* cmdSourceFile_ = nullptr;
    QPushButton* cmdExportMessages_ = nullptr;
    QPlainTextEdit* txtPOBinfo_ = nullptr;
    QPlainTextEdit* txtFileInfo_ = nullptr;
    QLabel* lblProtection_ = nullptr;
    QPushButton* cmdAbout_ = nullptr;
    QPushButton* cmdApply_ = nullptr;
    QPushButton* cmdQuit_ = nullptr;
    QWidget* picCon3_ = nullptr;
    QWidget* picHeader_ = nullptr;
    QProgressBar* pbshow_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* lblProgressFile_ = nullptr;
    QMenu* selectitem_ = nullptr;
    QMenu* selectitem2_ = nullptr;
    QAction* backup_ = nullptr;
    QAction* restore_ = nullptr;
    QAction* TaskScheduler_ = nullptr;
    QAction* backupiefavorites_ = nullptr;
    QAction* restoreiefavorites_ = nullptr;
    QAction* backuptocd_ = nullptr;
};

} // namespace tessaly

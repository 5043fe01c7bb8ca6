// Frmoption.h -- the "Task Scheduler" window: sets up an unattended backup at chosen times.
#pragma once

#include "backupfile/BackupContainer.h"
#include "engine/IdentityTable.h"
#include "platform/SecretFile.h"
#include "platform/Ui.h"
#include "registry/ModReg.h"
#include "scheduler/TaskScheduler.h"
#include "scheduler/ui/TargetFileDialog.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tessaly {

struct FrmoptionSettings {
    std::string sComputerName; // the server the job is registered with
    std::string programPath;   // the tessaly program the job starts (see defaultScheduledProgram())
    // Where a new task starts: the protection chosen in the main window.
    Protection protection = Protection::Compatible;
    bool protect = false;
    // Where the scheduler keeps a task's password (the window tells the user).
    std::filesystem::path passwordFolder = defaultJobsFolder();
};

class Frmoption : public QDialog {
    Q_OBJECT
public:
    // Runs the identity enumeration on modReg and fills the lists; messages go through ui.
    Frmoption(ModReg& modReg, TaskScheduler& scheduler, Ui& ui, FrmoptionSettings settings,
              QWidget* parent = nullptr);

    // Replaces the save-file dialog of "Browse..." (tests answer it themselves).
    void setTargetFileChooser(TargetFileChooser chooser) { chooseTarget_ = std::move(chooser); }

    const IdentityTable& identityTable() const { return IdentityTable_; }
    bool oeNotInstalled() const { return OENotInstalled_; }
    const std::string& targetFilePath() const { return targetFilePath_; }

private:
    void buildControls();
    void Form_Load(ModReg& modReg);
    void chkDaily_Click(bool checked);
    void ifprotect_Click(bool checked);
    void cmdTargetFile_Click();
    void Command3_Click();
    void Command1_Click();
    void message(const std::string& text, MsgIcon icon);

    TaskScheduler& scheduler_;
    Ui& ui_;
    FrmoptionSettings settings_;
    TargetFileChooser chooseTarget_ = ChooseTargetFile;

    IdentityTable IdentityTable_;
    bool OENotInstalled_ = false;
    std::string targetFilePath_;

    std::array<QCheckBox*, 8> backupitem_{};
    QComboBox* cbSource_ = nullptr;
    QLineEdit* txtTargetFile_ = nullptr;
    QPushButton* cmdTargetFile_ = nullptr;
    QCheckBox* ifprotect_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QLineEdit* txtPassword2_ = nullptr;
    QRadioButton* optStrong_ = nullptr;
    QRadioButton* optCompatible_ = nullptr;
    QLabel* lblProtectionNote_ = nullptr;
    QLabel* lblPasswordPlace_ = nullptr;
    QComboBox* cmbStartTime_ = nullptr;
    std::array<QCheckBox*, 7> weekday_{};
    QCheckBox* chkDaily_ = nullptr;
    QCheckBox* chkKeep_ = nullptr;
    QCheckBox* chkFull_ = nullptr;
    QPushButton* Command3_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QPushButton* Command2_ = nullptr;
};

} // namespace tessaly

// BackupDriver.h -- the backup tab's run: checks, the backup itself, the report and the disc question.
#pragma once

#include "engine/BackupRunner.h"

namespace tessaly {

// The choices of the backup tab.
struct BackupRequest {
    std::array<bool, kBackupItemCount> items{};     // backupitem(0..7)
    std::string identityUserName;                   // the text of cbSource
    std::string identityKey;                        // row 1 of IdentityTable at cbSource's index
    bool protect = false;                           // ifprotect
    std::string password;                           // txtPassword
    std::string password2;                          // txtPassword2
    std::string note;                               // txtAttachInfo
    Protection protection = Protection::Compatible; // optStrong / optCompatible
    std::optional<RetentionPolicy> keep;            // earlier backups to keep; none: replace
    bool acceptShrink = false;                      // no suspect check of the message stores
    bool full = false;                              // compress every file again
};

// Why a strong backup is refused without a password (the backup tab and the schedule window).
inline constexpr const char* kStrongNeedsPasswordMessage =
    "A strong backup file needs a password. Please tick \"Protect backup file with password\" and enter "
    "one, or choose the format compatible with older versions.";

// What the windows say under the choice of protection.
inline const char* protectionChoiceNote(Protection protection) {
    return protection == Protection::Strong
               ? "Nothing in the file can be read without the password. Older versions of Tessaly cannot "
                 "open it."
               : "Weak: the file opens without the password with little effort.";
}

struct BackupOutcome {
    bool started = false;   // the checks passed
    bool completed = false; // the backup file was written
    bool stopped = false;   // the person stopped the run; nothing was written
    std::string itemFlags;
    std::string log;
    std::array<std::string, kBackupItemCount> failures;
    BackupResult result;        // where the file went (complete runs)
    bool discRequested = false; // the user wants the new file on a CD or DVD
};

class BackupDriver {
public:
    BackupDriver(ProfileSession& session, MainWindowState& state, Ui& ui)
        : session_(session), state_(state), ui_(ui) {}

    // Writes state.BackupFileName. offerDisc: ask the CD/DVD question afterwards (only callers that
    // can write discs).
    BackupOutcome run(const BackupRequest& request, bool offerDisc);

private:
    ProfileSession& session_;
    MainWindowState& state_;
    Ui& ui_;
};

} // namespace tessaly

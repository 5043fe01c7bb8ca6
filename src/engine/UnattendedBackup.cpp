// UnattendedBackup.cpp -- parsing the scheduled command line and backing up without a window.
#include "engine/UnattendedBackup.h"

#include "backupfile/InfoFile.h"
#include "engine/history/BackupClock.h"
#include "engine/history/BackupHistory.h"
#include "platform/Text.h"

namespace tessaly {

std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& line, std::string* error) {
    std::vector<std::string> pieces = splitAt(line, '=');
    if (pieces.size() < 5) {
        *error = "the command line has " + std::to_string(pieces.size()) +
                 " pieces between \"=\" signs; a scheduled backup needs \" sf=IDENTITY xm=MASK ps=PASSWORD "
                 "bf=FILE\" (without blanks between them)";
        return std::nullopt;
    }
    // Every piece but the first and the last ends with the name of the key that follows it.
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        if (pieces[i].size() < 2) {
            *error = "the command line piece \"" + pieces[i] + "\" is too short to end with a key name";
            return std::nullopt;
        }
        pieces[i].resize(pieces[i].size() - 2);
    }
    return UnattendedCommand{pieces[1], pieces[2], pieces[3], pieces[4]};
}

std::optional<Protection> ProtectionOfVariable(const char* value, std::string* error) {
    if (!value || !*value)
        return Protection::Compatible;
    std::optional<Protection> protection = protectionFromName(value);
    if (!protection)
        *error = std::string("TESSALY_PROTECTION is \"") + value +
                 "\"; it must be strong or compatible. Nothing was backed up.";
    return protection;
}

std::optional<std::optional<RetentionPolicy>> RetentionOfVariable(const char* value, std::string* error) {
    if (!value || !*value)
        return std::optional<RetentionPolicy>{};
    auto policy = parseRetentionPolicy(value, error);
    if (!policy) {
        *error = std::string(kKeepVariable) + ": " + *error + ". Nothing was backed up.";
        return std::nullopt;
    }
    return std::optional<RetentionPolicy>{*policy};
}

std::array<bool, kBackupItemCount> ItemsOfMask(const std::string& mask) {
    std::array<bool, kBackupItemCount> items{};
    for (int i = 0; i < kBackupItemCount; ++i)
        items[i] = i < static_cast<int>(mask.size()) && mask[i] == '1';
    return items;
}

bool RunUnattendedBackup(ProfileSession& session, MainWindowState& state, Ui& ui,
                         const UnattendedCommand& command, std::string* message, BackupResult* resultOut) {
    if (command.identityKey.empty() || command.itemMask.empty() || command.backupFile.empty()) {
        *message =
            "nothing was backed up: the command line names no identity, no item mask or no backup file";
        return false;
    }
    if (command.protection == Protection::Strong && command.password.empty()) {
        *message = "nothing was backed up: a strong backup file needs a password, and the command line "
                   "has none";
        return false;
    }
    state.BackupFileName = command.backupFile;
    ui.pumpEvents();
    BackupPlan plan;
    plan.target = command.backupFile;
    plan.identityKey = command.identityKey;
    plan.items = ItemsOfMask(command.itemMask);
    plan.password = command.password;
    plan.protection = command.protection;
    plan.time = backupClock();
    plan.keep = command.keep;
    plan.full = command.full;
    plan.leadingEntries = {{"BackupIdentity", "Auto Backup"},
                           {"BackupTime", generalDateTime(plan.time)},
                           {"BackupInformation", "Auto Backup"}};
    plan.interactive = false;
    try {
        BackupResult result = runBackup(session, state, ui, plan);
        state.AutoItemFlags = result.itemFlags;
        *message = "backup written to " + result.placed.file.string() + " (items " + result.itemFlags + ", " +
                   protectionName(command.protection) + ")";
        if (std::string placement = describePlacement(result); !placement.empty())
            *message += "\n" + replaceAll(placement, "\r\n", "\n");
        if (resultOut)
            *resultOut = result;
        return true;
    } catch (const BackupFailed& e) {
        *message = "the backup was not completed: " + std::string(e.what());
        return false;
    }
}

} // namespace tessaly

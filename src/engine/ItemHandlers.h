// ItemHandlers.h -- backup and restore of the eight items of one identity.
#pragma once

#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"
#include "engine/RestoreJournal.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tessaly {

// What the handlers work with besides their argument.
struct HandlerContext {
    ProfileSession& session;
    MainWindowState& state;
    Ui& ui;
    // Private working folder of the run: registry dumps, the info file (state.InfoFilePath) and
    // extracted entries live here, never beside the user's files.
    std::filesystem::path workDir;
    // The archive a backup is building (a temporary file beside the target until it is complete).
    std::string archivePath;
    // Names of the dumps this run added to the archive: a later dump never takes one of them.
    std::set<std::string> dumpNames = {};
};

// What a restore prepared for one item before anything of the profile changes.
struct StagedItem {
    bool nothingToDo = false;   // e.g. accounts when neither the identity nor the user has an Accounts key
    std::string registryKey;    // a registry item: the key tree its dump replaces,
    std::filesystem::path dump; // and the extracted dump, already loaded once on trial
    StagedMoves moves;          // a file item: its staged files and their places

    // The dump holds the item's plain data (an account's password among it): it goes with the restore.
    ~StagedItem() {
        std::error_code ec;
        if (!dump.empty())
            std::filesystem::remove(dump, ec);
    }
};

// Every handler catches every failure and returns false; temporary files are removed on every path.
// A restore handler saves the profile's registry when it succeeds and drops its changes when it fails.
class ItemHandlers {
public:
    explicit ItemHandlers(HandlerContext& context) : c_(context) {}

    bool BackupAccounts(const std::string& strIdentity);
    bool BackupAddress();
    bool BackupRules(const std::string& strIdentity);
    bool BackupMails(const std::string& strIdentity);
    bool Backupblocksenders(const std::string& strIdentity);
    bool BackupSignatures(const std::string& strIdentity);
    bool BackupStationeries();
    bool BackupSettings(const std::string& strIdentity);

    bool RestoreAccounts(const std::string& strIdentity);
    bool RestoreAddress();
    bool RestoreRules(const std::string& strIdentity);
    bool RestoreMails(const std::string& strIdentity);
    bool RestoreBlocksenders(const std::string& strIdentity);
    bool RestoreSignatures(const std::string& strIdentity);
    bool RestoreStationeries();
    bool RestoreSettings(const std::string& strIdentity);

    // The handler of an item by its index in the fixed order.
    bool backup(int item, const std::string& strIdentity);
    bool restore(int item, const std::string& strIdentity);

    // A restore in two steps. Staging extracts and checks everything the item needs (into the run's
    // folder, or staging folders beside the files' places) and changes nothing of the profile;
    // applying then puts it in place: one registry save, or renames recorded in the journal.
    bool stageRestore(int item, const std::string& strIdentity, RestoreJournal& journal, StagedItem& staged);
    bool applyRestore(const StagedItem& staged, RestoreJournal& journal);

    // What staging would refuse in the opened backup (state.TempArchivePath, state.RecordedItemValue),
    // whatever identity it went to: recorded member names that are no plain file name, and registry
    // dumps that do not load below the deepest key a restore gives them. One line per refused item;
    // nothing of the profile changes.
    std::vector<std::string> restoreRefusals(const std::string& itemFlags);
    // The bytes an item's backup will read, for the progress bar: its files' sizes, or the size of its
    // registry dump (made once in the working folder and removed). 0 when it cannot be told.
    std::uint64_t backupBytes(int item, const std::string& strIdentity);

    // The reason the last handler failed, for logs and tests; empty after a success.
    const std::string& lastError() const { return lastError_; }

private:
    HandlerContext& c_;
    std::string lastError_;

    std::string outlookExpressKey(const std::string& identity) const;
    std::string versionKey(const std::string& identity);
    std::string accountsKey(const std::string& identity);
    std::filesystem::path newDumpFile(const char* prefix);
    bool backupRegistryItem(const std::string& itemKey, const char* prefix, const std::string& infoKey);
    bool backupVersionItem(const std::string& identity, const char* subkey, const char* prefix, int item);
    static const char* registrySubkeyOf(int item);
    // The archive members an item's recorded value names, each checked to be a plain file name.
    std::vector<std::string> recordedEntries(int item) const;
    bool stageAddress(RestoreJournal& journal, StagedItem& staged);
    bool stageMails(const std::string& identity, RestoreJournal& journal, StagedItem& staged);
    bool stageStationeries(RestoreJournal& journal, StagedItem& staged);
    void stageRegistryItem(const std::string& itemKey, int item, StagedItem& staged);
    void stageFiles(const std::vector<std::string>& entries, const std::filesystem::path& folder,
                    RestoreJournal& journal, StagedItem& staged,
                    const std::filesystem::path& onlyTarget = {});
    bool captured(const std::function<bool()>& body);
    std::filesystem::path storeFolder(const std::string& identity, std::string* windowsPath = nullptr);
    std::string addressBookFile();
    std::string stationeryFolder();

    bool guarded(bool restoring, const std::function<bool()>& body);
};

} // namespace tessaly

// ItemHandlers.cpp -- the five registry items: a text dump of the item's key tree in and out of the archive.
#include "engine/ItemHandlers.h"

#include "archive/CGmodule.h"
#include "backupfile/InfoFile.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "platform/TempFiles.h"

namespace tessaly {

namespace {
const std::string kIdentities = "HKEY_CURRENT_USER\\Identities";
const std::string kSharedAccounts =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts";
} // namespace

bool ItemHandlers::guarded(bool restoring, const std::function<bool()>& body) {
    lastError_.clear();
    RegistryBackend& registry = c_.session.registry();
    try {
        bool ok = body();
        if (restoring && ok) {
            registry.save(); // the item's changes reach the profile when the item is complete
        } else if (!restoring && registry.hasUnsavedChanges()) {
            // A backup only ever adds an empty key; keeping it is a nicety, not part of the backup.
            try {
                registry.save();
            } catch (const std::exception&) {
                registry.reload();
            }
        }
        if (!ok && lastError_.empty())
            lastError_ = "nothing to do";
        if (!ok && restoring)
            registry.reload();
        return ok;
    } catch (const RunStopped&) {
        try {
            registry.reload();
        } catch (const std::exception&) {
        }
        throw; // a stop ends the run, it is not a failure of this item
    } catch (const std::exception& e) {
        lastError_ = e.what();
    } catch (...) {
        lastError_ = "unexpected failure";
    }
    try {
        registry.reload(); // drop whatever the failed item changed in memory
    } catch (const std::exception&) {
    }
    return false;
}

std::string ItemHandlers::outlookExpressKey(const std::string& identity) const {
    return kIdentities + "\\" + identity + "\\Software\\Microsoft\\Outlook Express";
}

// The first subkey of the identity's Outlook Express key; empty when there is none.
std::string ItemHandlers::versionKey(const std::string& identity) {
    std::string oe = outlookExpressKey(identity);
    KeyedCollection<std::string> versions = c_.session.modReg().ListSubKeys(oe);
    if (versions.empty()) {
        lastError_ = "the identity has no settings of the mail client (no version key below " + oe + ")";
        return "";
    }
    return oe + "\\" + versions[0].value;
}

std::string ItemHandlers::accountsKey(const std::string& identity) {
    std::string own =
        kIdentities + "\\" + identity + "\\Software\\Microsoft\\Internet Account Manager\\Accounts";
    ModReg& mod = c_.session.modReg();
    if (mod.RegKeyExists(own))
        return own;
    if (mod.RegKeyExists(kSharedAccounts))
        return kSharedAccounts;
    return "";
}

// A new dump file whose name no earlier dump of this backup had: the earlier ones are already
// deleted, so the file system alone would hand the same name out again.
std::filesystem::path ItemHandlers::newDumpFile(const char* prefix) {
    std::vector<std::filesystem::path> taken; // kept while drawing, so the next draw moves on
    std::filesystem::path file;
    for (;;) {
        file = createTempFileIn(c_.workDir, prefix);
        if (c_.dumpNames.insert(file.filename().string()).second)
            break;
        taken.push_back(file);
    }
    for (const auto& name : taken) {
        std::error_code ec;
        std::filesystem::remove(name, ec);
    }
    return file;
}

bool ItemHandlers::backupRegistryItem(const std::string& itemKey, const char* prefix,
                                      const std::string& infoKey) {
    ModReg& mod = c_.session.modReg();
    if (!mod.RegKeyExists(itemKey))
        mod.CreateRegKey(itemKey);
    RemoveOnExit dump(newDumpFile(prefix));
    mod.DumpKeyTree(itemKey, "", dump.path());
    if (!ZipOneFile(c_.archivePath, dump.path().string()))
        throw std::runtime_error("the registry dump could not be added to the archive");
    std::string bare = dump.path().filename().string();
    dump.removeNow();
    SaveINI(infoKey, TempItemValue(bare), c_.state.InfoFilePath, c_.session.codePage());
    return true;
}

bool ItemHandlers::captured(const std::function<bool()>& body) {
    lastError_.clear();
    try {
        bool ok = body();
        if (!ok && lastError_.empty())
            lastError_ = "nothing to do";
        return ok;
    } catch (const RunStopped&) {
        throw;
    } catch (const std::exception& e) {
        lastError_ = e.what();
    } catch (...) {
        lastError_ = "unexpected failure";
    }
    return false;
}

std::vector<std::string> ItemHandlers::recordedEntries(int item) const {
    const std::string& value = c_.state.RecordedItemValue[item];
    std::vector<std::string> names;
    if (item == kItemMessages || item == kItemStationeries)
        names = splitNames(value);
    else
        names = {item == kItemAddressBook ? value : MemberNameOf(value)};
    for (std::string& name : names)
        name = checkedEntryName(name);
    return names;
}

std::vector<std::string> ItemHandlers::restoreRefusals(const std::string& itemFlags) {
    // The deepest keys a restore loads a dump below: an identity's own accounts, or a subkey of its
    // version key. Depth counts levels, so any names serve.
    const std::string anyIdentity = "{00000000-0000-0000-0000-000000000000}";
    std::vector<std::string> refusals;
    for (int item = 0; item < kBackupItemCount && item < static_cast<int>(itemFlags.size()); ++item) {
        if (itemFlags[item] != '1')
            continue;
        try {
            recordedEntries(item);
            if (item == kItemAddressBook || item == kItemMessages || item == kItemStationeries)
                continue;
            std::string key = item == kItemAccounts
                                  ? kIdentities + "\\" + anyIdentity +
                                        "\\Software\\Microsoft\\Internet Account Manager\\Accounts"
                                  : outlookExpressKey(anyIdentity) + "\\5.0\\" + registrySubkeyOf(item);
            StagedItem staged;
            stageRegistryItem(key, item, staged);
        } catch (const std::exception& e) {
            refusals.push_back(std::string(kBackupItems[item].cliName) + ": " + e.what());
        }
    }
    return refusals;
}

void ItemHandlers::stageRegistryItem(const std::string& itemKey, int item, StagedItem& staged) {
    std::string entry = recordedEntries(item).front();
    // Each item's dump in a folder of its own: dumps of older backups may share a name.
    std::filesystem::path folder = c_.workDir / ("item" + std::to_string(item));
    std::filesystem::create_directories(folder);
    UnzipToFolder(c_.state.TempArchivePath, folder.string(), ZipNameList{entry}, std::nullopt, &c_.ui);
    staged.registryKey = itemKey;
    staged.dump = folder / entry;
    // A trial load in memory, forgotten at once: a dump that cannot be loaded fails before any change.
    RegistryBackend& registry = c_.session.registry();
    try {
        c_.session.modReg().LoadKeyDump(itemKey, staged.dump);
    } catch (...) {
        registry.reload();
        throw;
    }
    registry.reload();
}

bool ItemHandlers::stageRestore(int item, const std::string& id, RestoreJournal& journal,
                                StagedItem& staged) {
    return captured([&] {
        switch (item) {
        case kItemAccounts: {
            std::string key = accountsKey(id);
            staged.nothingToDo = key.empty(); // nowhere to restore accounts to: nothing is changed
            if (!key.empty())
                stageRegistryItem(key, item, staged);
            return true;
        }
        case kItemRules:
        case kItemBlockSenders:
        case kItemSignatures:
        case kItemSettings: {
            std::string version = versionKey(id);
            if (version.empty())
                return false;
            stageRegistryItem(version + "\\" + registrySubkeyOf(item), item, staged);
            return true;
        }
        case kItemAddressBook:
            return stageAddress(journal, staged);
        case kItemMessages:
            return stageMails(id, journal, staged);
        case kItemStationeries:
            return stageStationeries(journal, staged);
        default:
            return false;
        }
    });
}

bool ItemHandlers::applyRestore(const StagedItem& staged, RestoreJournal& journal) {
    return guarded(true, [&] {
        if (staged.nothingToDo)
            return true;
        if (!staged.registryKey.empty())
            c_.session.modReg().LoadKeyDump(staged.registryKey, staged.dump);
        else if (std::string warning = journal.commit(staged.moves); !warning.empty())
            c_.ui.setStatusText(warning);
        return true;
    });
}

bool ItemHandlers::restore(int item, const std::string& id) {
    std::unique_ptr<RestoreJournal> journal;
    if (!captured([&] {
            journal = std::make_unique<RestoreJournal>(c_.session.profile().prefix);
            return true;
        }))
        return false;
    StagedItem staged;
    return stageRestore(item, id, *journal, staged) && applyRestore(staged, *journal);
}

bool ItemHandlers::BackupAccounts(const std::string& strIdentity) {
    return guarded(false, [&] {
        std::string key = accountsKey(strIdentity);
        if (key.empty()) {
            lastError_ = "neither the identity nor the user has an Accounts key";
            return false;
        }
        return backupRegistryItem(key, "KVA", std::string(kBackupItems[kItemAccounts].infoKey));
    });
}

bool ItemHandlers::RestoreAccounts(const std::string& strIdentity) {
    return restore(kItemAccounts, strIdentity);
}

bool ItemHandlers::backupVersionItem(const std::string& identity, const char* subkey, const char* prefix,
                                     int item) {
    return guarded(false, [&] {
        std::string version = versionKey(identity);
        return !version.empty() &&
               backupRegistryItem(version + "\\" + subkey, prefix, std::string(kBackupItems[item].infoKey));
    });
}

// The subkey of the version key that a registry item saves.
const char* ItemHandlers::registrySubkeyOf(int item) {
    switch (item) {
    case kItemRules:
        return "Rules";
    case kItemBlockSenders:
        return "Block Senders";
    case kItemSignatures:
        return "signatures";
    default:
        return "Mail";
    }
}

bool ItemHandlers::BackupRules(const std::string& id) {
    return backupVersionItem(id, registrySubkeyOf(kItemRules), "KVR", kItemRules);
}
bool ItemHandlers::RestoreRules(const std::string& id) {
    return restore(kItemRules, id);
}
bool ItemHandlers::Backupblocksenders(const std::string& id) {
    return backupVersionItem(id, registrySubkeyOf(kItemBlockSenders), "KVR", kItemBlockSenders);
}
bool ItemHandlers::RestoreBlocksenders(const std::string& id) {
    return restore(kItemBlockSenders, id);
}
bool ItemHandlers::BackupSignatures(const std::string& id) {
    return backupVersionItem(id, registrySubkeyOf(kItemSignatures), "KVR", kItemSignatures);
}
bool ItemHandlers::RestoreSignatures(const std::string& id) {
    return restore(kItemSignatures, id);
}
bool ItemHandlers::BackupSettings(const std::string& id) {
    return backupVersionItem(id, registrySubkeyOf(kItemSettings), "KVS", kItemSettings);
}
bool ItemHandlers::RestoreSettings(const std::string& id) {
    return restore(kItemSettings, id);
}

bool ItemHandlers::backup(int item, const std::string& id) {
    switch (item) {
    case kItemAccounts:
        return BackupAccounts(id);
    case kItemAddressBook:
        return BackupAddress();
    case kItemRules:
        return BackupRules(id);
    case kItemMessages:
        return BackupMails(id);
    case kItemBlockSenders:
        return Backupblocksenders(id);
    case kItemSignatures:
        return BackupSignatures(id);
    case kItemStationeries:
        return BackupStationeries();
    case kItemSettings:
        return BackupSettings(id);
    default:
        return false;
    }
}

} // namespace tessaly

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
    WineRegistry& registry = c_.session.registry();
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

bool ItemHandlers::backupRegistryItem(const std::string& itemKey, const char* prefix,
                                      const std::string& infoKey) {
    ModReg& mod = c_.session.modReg();
    if (!mod.RegKeyExists(itemKey))
        mod.CreateRegKey(itemKey);
    RemoveOnExit dump(createTempFileIn(c_.workDir, prefix));
    mod.DumpKeyTree(itemKey, "", dump.path());
    if (!ZipOneFile(c_.archivePath, dump.path().string()))
        throw std::runtime_error("the registry dump could not be added to the archive");
    std::string bare = dump.path().filename().string();
    dump.removeNow();
    SaveINI(infoKey, TempItemValue(bare), c_.state.InfoFilePath, c_.session.codePage());
    return true;
}

bool ItemHandlers::restoreRegistryItem(const std::string& itemKey, int item) {
    std::string entry = checkedEntryName(MemberNameOf(c_.state.RecordedItemValue[item]));
    UnzipToFolder(c_.state.TempArchivePath, c_.workDir.string(), ZipNameList{entry}, std::nullopt, &c_.ui);
    RemoveOnExit extracted(c_.workDir / entry);
    c_.session.modReg().LoadKeyDump(itemKey, extracted.path());
    return true;
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
    return guarded(true, [&] {
        std::string key = accountsKey(strIdentity);
        if (key.empty())
            return true; // nowhere to restore accounts to: nothing is changed
        return restoreRegistryItem(key, kItemAccounts);
    });
}

bool ItemHandlers::backupVersionItem(const std::string& identity, const char* subkey, const char* prefix,
                                     int item) {
    return guarded(false, [&] {
        std::string version = versionKey(identity);
        return !version.empty() &&
               backupRegistryItem(version + "\\" + subkey, prefix, std::string(kBackupItems[item].infoKey));
    });
}

bool ItemHandlers::restoreVersionItem(const std::string& identity, const char* subkey, int item) {
    return guarded(true, [&] {
        std::string version = versionKey(identity);
        return !version.empty() && restoreRegistryItem(version + "\\" + subkey, item);
    });
}

bool ItemHandlers::BackupRules(const std::string& id) {
    return backupVersionItem(id, "Rules", "KVR", kItemRules);
}
bool ItemHandlers::RestoreRules(const std::string& id) {
    return restoreVersionItem(id, "Rules", kItemRules);
}
bool ItemHandlers::Backupblocksenders(const std::string& id) {
    return backupVersionItem(id, "Block Senders", "KVR", kItemBlockSenders);
}
bool ItemHandlers::RestoreBlocksenders(const std::string& id) {
    return restoreVersionItem(id, "Block Senders", kItemBlockSenders);
}
bool ItemHandlers::BackupSignatures(const std::string& id) {
    return backupVersionItem(id, "signatures", "KVR", kItemSignatures);
}
bool ItemHandlers::RestoreSignatures(const std::string& id) {
    return restoreVersionItem(id, "signatures", kItemSignatures);
}
bool ItemHandlers::BackupSettings(const std::string& id) {
    return backupVersionItem(id, "Mail", "KVS", kItemSettings);
}
bool ItemHandlers::RestoreSettings(const std::string& id) {
    return restoreVersionItem(id, "Mail", kItemSettings);
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

bool ItemHandlers::restore(int item, const std::string& id) {
    switch (item) {
    case kItemAccounts:
        return RestoreAccounts(id);
    case kItemAddressBook:
        return RestoreAddress();
    case kItemRules:
        return RestoreRules(id);
    case kItemMessages:
        return RestoreMails(id);
    case kItemBlockSenders:
        return RestoreBlocksenders(id);
    case kItemSignatures:
        return RestoreSignatures(id);
    case kItemStationeries:
        return RestoreStationeries();
    case kItemSettings:
        return RestoreSettings(id);
    default:
        return false;
    }
}

} // namespace tessaly

// FileItemHandlers.cpp -- the three file items: address book, message stores and stationery.
#include "engine/ItemHandlers.h"

#include "archive/CGmodule.h"
#include "backupfile/InfoFile.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/history/StoreFacts.h"
#include "platform/PathMapper.h"
#include "platform/TempFiles.h"
#include "platform/Text.h"

#include <algorithm>

namespace tessaly {

namespace {

const std::string kWabFileNameKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\WAB\\WAB4\\Wab File Name";
const std::string kCurrentVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A normal file: hidden files (dot files) count as absent, as the platform's search for a normal file has it.
bool isNormalFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && !path.filename().string().starts_with(".");
}

std::uint64_t fileSize(const std::filesystem::path& file) {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(file, ec);
    return ec ? 0 : std::uint64_t(size);
}

std::uint64_t totalSize(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    std::uint64_t total = 0;
    for (const std::string& name : names)
        total += fileSize(folder / name);
    return total;
}

void joinInto(std::string& list, const std::string& name) {
    if (!list.empty())
        list += ';';
    list += name;
}

} // namespace

std::filesystem::path ItemHandlers::storeFolder(const std::string& identity, std::string* windowsPath) {
    std::string version = versionKey(identity);
    if (version.empty())
        throw std::runtime_error(lastError_);
    KeyedCollection<RegListValue> values = c_.session.modReg().ListValues(version);
    const RegListValue* root = values.find("Store Root");
    if (!root || !std::holds_alternative<std::string>(*root))
        throw std::runtime_error("the identity has no \"Store Root\" value");
    // Only the exact text "%UserProfile%" is expanded, as the mail client writes it.
    std::string folder = replaceAll(std::get<std::string>(*root), "%UserProfile%",
                                    c_.session.environment().userProfile.substr(0, 254));
    if (windowsPath)
        *windowsPath = folder;
    return hostPath(c_.session.profile(), folder);
}

bool ItemHandlers::BackupMails(const std::string& strIdentity) {
    return guarded(false, [&] {
        std::filesystem::path folder = storeFolder(strIdentity);
        std::string list;
        std::vector<StoreFact> facts;
        std::vector<std::string> stores;
        for (const std::string& name : folderFiles(folder))
            if (isMessageStore(name))
                stores.push_back(name);
        ProgressShares shares(c_.ui, totalSize(folder, stores));
        for (const std::string& name : stores) {
            shares.next(fileSize(folder / name));
            if (!ZipOneFile(c_.archivePath, (folder / name).string()))
                continue;
            joinInto(list, name);
            facts.push_back(readStoreFact(folder / name));
            c_.ui.pumpEvents();
            c_.ui.throwIfStopped();
        }
        if (list.empty()) {
            lastError_ = "the message store folder " + folder.string() + " holds no message store files";
            return false;
        }
        SaveINI(std::string(kBackupItems[kItemMessages].infoKey), list, c_.state.InfoFilePath,
                c_.session.codePage());
        // Size and message count per store: the next run compares its stores with these.
        SaveINI(kStoreFactsKey, formatStoreFacts(facts), c_.state.InfoFilePath, c_.session.codePage());
        return true;
    });
}

void ItemHandlers::stageFiles(const std::vector<std::string>& entries, const std::filesystem::path& folder,
                              RestoreJournal& journal, StagedItem& staged,
                              const std::filesystem::path& onlyTarget) {
    std::filesystem::path staging =
        journal.stagingFolderFor(onlyTarget.empty() ? folder : onlyTarget.parent_path());
    // An engine run takes at most kZipNameSlots names; an identity may have more message stores.
    for (std::size_t first = 0; first < entries.size(); first += kZipNameSlots) {
        ZipNameList some(entries.begin() + std::ptrdiff_t(first),
                         entries.begin() + std::ptrdiff_t(std::min(entries.size(), first + kZipNameSlots)));
        UnzipToFolder(c_.state.TempArchivePath, staging.string(), some, std::nullopt, &c_.ui);
    }
    for (const std::string& entry : entries)
        staged.moves.emplace_back(staging / entry, onlyTarget.empty() ? folder / entry : onlyTarget);
}

bool ItemHandlers::stageMails(const std::string& identity, RestoreJournal& journal, StagedItem& staged) {
    std::filesystem::path folder = storeFolder(identity);
    stageFiles(recordedEntries(kItemMessages), folder, journal, staged);
    return true;
}

bool ItemHandlers::RestoreMails(const std::string& strIdentity) {
    return restore(kItemMessages, strIdentity);
}

std::string ItemHandlers::addressBookFile() {
    std::string file;
    if (!c_.session.modReg().ReadDefaultValue(kWabFileNameKey, file) || file.empty())
        throw std::runtime_error("the registry names no address book file");
    return file;
}

bool ItemHandlers::BackupAddress() {
    return guarded(false, [&] {
        std::string file = addressBookFile();
        std::filesystem::path host = hostPath(c_.session.profile(), file);
        if (!isNormalFile(host)) {
            lastError_ = "the address book file " + host.string() + " does not exist";
            return false;
        }
        if (!ZipOneFile(c_.archivePath, host.string()))
            throw std::runtime_error("the address book could not be added to the archive");
        SaveINI(std::string(kBackupItems[kItemAddressBook].infoKey), host.filename().string(),
                c_.state.InfoFilePath, c_.session.codePage());
        return true;
    });
}

bool ItemHandlers::stageAddress(RestoreJournal& journal, StagedItem& staged) {
    std::string file = addressBookFile();
    std::filesystem::path current = hostPath(c_.session.profile(), file);
    if (!isNormalFile(current)) {
        lastError_ = "the address book file " + current.string() + " does not exist";
        return false;
    }
    // The entry is staged beside the current file and replaces it in one rename: no other file of
    // that folder is ever overwritten, whatever the entry's name.
    stageFiles(recordedEntries(kItemAddressBook), current.parent_path(), journal, staged, current);
    return true;
}

bool ItemHandlers::RestoreAddress() {
    return restore(kItemAddressBook, "");
}

std::string ItemHandlers::stationeryFolder() {
    std::optional<std::string> common =
        c_.session.modReg().ReadStringValue(kCurrentVersionKey, "CommonFilesDir");
    if (!common || *common == "Error")
        throw std::runtime_error("the registry names no common files folder (CommonFilesDir)");
    return trimBlanks(*common) + "\\Microsoft Shared\\Stationery";
}

bool ItemHandlers::BackupStationeries() {
    return guarded(false, [&] {
        std::filesystem::path folder = hostPath(c_.session.profile(), stationeryFolder());
        std::string list;
        const std::vector<std::string> names = folderFiles(folder);
        ProgressShares shares(c_.ui, totalSize(folder, names));
        for (const std::string& name : names) {
            shares.next(fileSize(folder / name));
            if (ZipOneFile(c_.archivePath, (folder / name).string()))
                joinInto(list, name);
        }
        if (list.empty()) {
            lastError_ = "the stationery folder " + folder.string() + " is empty";
            return false;
        }
        SaveINI(std::string(kBackupItems[kItemStationeries].infoKey), list, c_.state.InfoFilePath,
                c_.session.codePage());
        return true;
    });
}

bool ItemHandlers::stageStationeries(RestoreJournal& journal, StagedItem& staged) {
    ZipNameList entries = recordedEntries(kItemStationeries);
    std::filesystem::path folder = hostPath(c_.session.profile(), stationeryFolder());
    // The folder itself is made when the files are put in place; its parent must exist.
    if (!std::filesystem::is_directory(folder) && !std::filesystem::is_directory(folder.parent_path())) {
        lastError_ = "the folder " + folder.parent_path().string() + " does not exist";
        return false;
    }
    stageFiles(entries, folder, journal, staged);
    return true;
}

bool ItemHandlers::RestoreStationeries() {
    return restore(kItemStationeries, "");
}

} // namespace tessaly

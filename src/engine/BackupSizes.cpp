// BackupSizes.cpp -- how many bytes each item's backup will read, so that the bar is one byte scale.
#include "engine/ItemHandlers.h"

#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "platform/PathMapper.h"
#include "platform/TempFiles.h"
#include "platform/UnnamedFile.h"

namespace tessaly {

namespace {

std::uint64_t sizeOf(const std::filesystem::path& file) {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(file, ec);
    return ec ? 0 : std::uint64_t(size);
}

} // namespace

std::uint64_t ItemHandlers::backupBytes(int item, const std::string& identity) {
    // Only an estimate: whatever fails here fails again, with its message, in the item itself.
    try {
        std::string key;
        switch (item) {
        case kItemAddressBook:
            return sizeOf(hostPath(c_.session.profile(), addressBookFile()));
        case kItemMessages: {
            std::filesystem::path folder = storeFolder(identity);
            std::uint64_t total = 0;
            for (const std::string& name : folderFiles(folder))
                if (isMessageStore(name))
                    total += sizeOf(folder / name);
            return total;
        }
        case kItemStationeries: {
            std::filesystem::path folder = hostPath(c_.session.profile(), stationeryFolder());
            std::uint64_t total = 0;
            for (const std::string& name : folderFiles(folder))
                total += sizeOf(folder / name);
            return total;
        }
        case kItemAccounts:
            key = accountsKey(identity);
            break;
        default:
            key = versionKey(identity);
            if (!key.empty())
                key += std::string("\\") + registrySubkeyOf(item);
            break;
        }
        // A registry item weighs what its dump will: the dump is made once here and removed.
        if (key.empty() || !c_.session.modReg().RegKeyExists(key))
            return 0;
        // Unnamed: a dump holds the item's plain data, an account's password among it.
        UnnamedFile dump(c_.workDir);
        c_.session.modReg().DumpKeyTree(key, "", dump.path());
        return sizeOf(dump.path());
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace tessaly

// MessageSources.cpp -- finding and mapping the message stores to read, from a profile or a backup.
#include "engine/MessageSources.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveListing.h"
#include "archive/MemberCopy.h"
#include "engine/HandlerSupport.h"
#include "mailstore/StoreError.h"
#include "platform/PathMapper.h"
#include "platform/TempFiles.h"
#include "platform/UnnamedFile.h"

#include <stdexcept>

namespace tessaly {

std::filesystem::path identityStoreFolder(ProfileSession& session, const std::string& identityKey) {
    std::string client =
        "HKEY_CURRENT_USER\\Identities\\" + identityKey + "\\Software\\Microsoft\\Outlook Express";
    KeyedCollection<std::string> versions = session.modReg().ListSubKeys(client);
    if (versions.empty())
        throw std::runtime_error("the identity has no settings of the mail client (no version key below " +
                                 client + ")");
    KeyedCollection<RegListValue> values = session.modReg().ListValues(client + "\\" + versions[0].value);
    const RegListValue* root = values.find("Store Root");
    if (!root || !std::holds_alternative<std::string>(*root))
        throw std::runtime_error("the identity has no \"Store Root\" value");
    // Only the exact text "%UserProfile%" is expanded, as the mail client writes it.
    std::string folder = replaceAll(std::get<std::string>(*root), "%UserProfile%",
                                    session.environment().userProfile.substr(0, 254));
    return hostPath(session.profile(), folder);
}

StoreFiles storesInFolder(const std::filesystem::path& folder) {
    StoreFiles found;
    for (const std::string& name : folderFiles(folder)) {
        if (!isMessageStore(name))
            continue;
        try {
            found.images.push_back(StoreImage::mapFile(folder / name));
        } catch (const StoreError& e) {
            found.problems.push_back(e.what());
        }
    }
    return found;
}

StoreFiles storesInArchive(const std::filesystem::path& archive, const std::filesystem::path& spare, Ui& ui) {
    StoreFiles found;
    std::vector<ArchiveMember> stores;
    std::uint64_t total = 0;
    for (const ArchiveMember& member : ListArchive(archive.string()))
        if (isMessageStore(member.name) && member.name.find('/') == std::string::npos) {
            stores.push_back(member);
            total += member.size;
        }
    ProgressShares shares(ui, total);
    for (const ArchiveMember& member : stores) {
        shares.next(member.size);
        try {
            UnnamedFile copy({hostTempDir(), spare});
            copyMemberTo(archive.string(), member.name, copy.fd(), &ui);
            found.images.push_back(StoreImage::mapDescriptor(copy.fd(), member.name));
        } catch (const ArchiveError& e) {
            found.problems.push_back(member.name +
                                     " cannot be read from the backup file: " + e.description());
        } catch (const StoreError& e) {
            found.problems.push_back(e.what());
        }
    }
    return found;
}

ExportSummary exportArchiveMessages(const std::filesystem::path& archive, const std::filesystem::path& dir,
                                    ExportFormat format, Ui& ui) {
    std::filesystem::create_directories(dir);
    // Copying the stores out takes the first third of the bar, writing the messages the rest.
    const double from = ui.progressSpanFrom(), to = ui.progressSpanTo(), third = from + (to - from) / 3;
    ui.setProgressSpan(from, third);
    StoreFiles stores = storesInArchive(archive, dir, ui);
    MailCollection mail(std::move(stores.images));
    ui.setProgressSpan(third, to);
    ExportSummary summary = exportMessages(mail, dir, format, std::nullopt, ui);
    ui.setProgressSpan(from, to);
    summary.problems.insert(summary.problems.begin(), stores.problems.begin(), stores.problems.end());
    return summary;
}

} // namespace tessaly

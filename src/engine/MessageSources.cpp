// MessageSources.cpp -- finding and mapping the message stores to read, from a profile or a backup.
#include "engine/MessageSources.h"

#include "archive/ArchiveListing.h"
#include "archive/MemberCopy.h"
#include "engine/HandlerSupport.h"
#include "platform/AnonymousFile.h"
#include "platform/PathMapper.h"
#include "platform/TempFiles.h"

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

std::vector<StoreImage> storesInFolder(const std::filesystem::path& folder) {
    std::vector<StoreImage> images;
    for (const std::string& name : folderFiles(folder))
        if (isMessageStore(name))
            images.push_back(StoreImage::mapFile(folder / name));
    return images;
}

std::vector<StoreImage> storesInArchive(const std::filesystem::path& archive,
                                        const std::filesystem::path& spare, Ui& ui) {
    std::vector<StoreImage> images;
    for (const ArchiveMember& member : ListArchive(archive.string())) {
        if (!isMessageStore(member.name) || member.name.find('/') != std::string::npos)
            continue;
        AnonymousFile copy({hostTempDir(), spare});
        copyMemberTo(archive.string(), member.name, copy.fd(), &ui);
        images.push_back(StoreImage::mapDescriptor(copy.fd(), member.name));
    }
    return images;
}

ExportSummary exportArchiveMessages(const std::filesystem::path& archive, const std::filesystem::path& dir,
                                    ExportFormat format, Ui& ui) {
    std::filesystem::create_directories(dir);
    MailCollection mail(storesInArchive(archive, dir, ui));
    return exportMessages(mail, dir, format, std::nullopt, ui);
}

} // namespace tessaly

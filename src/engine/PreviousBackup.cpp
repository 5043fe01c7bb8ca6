// PreviousBackup.cpp -- opening the previous backup of a target and the member sources its info file records.
#include "engine/PreviousBackup.h"

#include "backupfile/InfoFile.h"
#include "engine/BackupAudit.h"
#include "platform/Text.h"

#include <charconv>

namespace tessaly {

namespace {

template <typename Number> std::optional<Number> number(const std::string& text) {
    Number n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return n;
}

} // namespace

std::string formatMemberSources(const std::vector<MemberSource>& sources) {
    std::string value;
    for (const MemberSource& s : sources)
        if (s.name.find_first_of("|;") == std::string::npos)
            value += (value.empty() ? "" : ";") + s.name + "|" + std::to_string(s.size) + "|" +
                     std::to_string(s.mtime) + "|" + std::to_string(s.compressedCrc);
    return value;
}

std::vector<MemberSource> parseMemberSources(const std::string& value) {
    std::vector<MemberSource> sources;
    if (value.empty())
        return sources;
    for (const std::string& part : splitAt(value, ';')) {
        std::vector<std::string> fields = splitAt(part, '|');
        if (fields.size() != 4 || fields[0].empty())
            continue;
        auto size = number<std::uint64_t>(fields[1]);
        auto mtime = number<std::int64_t>(fields[2]);
        auto compressedCrc = number<std::uint32_t>(fields[3]);
        if (size && mtime && compressedCrc)
            sources.push_back({fields[0], *size, *mtime, *compressedCrc});
    }
    return sources;
}

std::unique_ptr<PreviousBackup> PreviousBackup::open(const std::filesystem::path& target,
                                                     const std::string& password, Protection protection,
                                                     const std::filesystem::path& workDir,
                                                     const CodePage& codePage, Ui& ui) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(target, ec) || detectProtection(target) != protection)
        return nullptr;
    std::unique_ptr<PreviousBackup> previous;
    try {
        // The plain archive has no name on disk, and neither has its info file.
        previous.reset(new PreviousBackup(openBackupForReading(target, password, workDir, codePage, ui)));
        auto info = readInfoFile(previous->backup_.archive, workDir);
        for (MemberSource& s : parseMemberSources(GetINI(kMemberSourcesKey, info->path(), codePage)))
            previous->recorded_[s.name] = s;
        auto facts = parseStoreFacts(GetINI(kStoreFactsKey, info->path(), codePage));
        if (!facts.empty())
            previous->storeFacts_ = std::move(facts);
    } catch (const std::exception&) {
        return nullptr; // a wrong password or a damaged file: everything is compressed
    }
    if (previous->recorded_.empty())
        return nullptr;
    return previous;
}

bool PreviousBackup::lendTo(ZipSession& zip) const {
    return zip.takeOverFrom(backup_.archive, [this](const MemberSource& now) -> std::optional<MemberSource> {
        auto it = recorded_.find(now.name);
        if (it == recorded_.end() || !it->second.sameFileAs(now))
            return std::nullopt;
        return it->second;
    });
}

} // namespace tessaly

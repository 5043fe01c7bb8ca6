// BackupVersions.cpp -- naming, recognising and listing the versions of one backup file.
#include "engine/history/BackupVersions.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sys/stat.h>

namespace tessaly {

namespace {

constexpr size_t kStampLength = 17; // YYYY-MM-DD_HHMMSS

const char* suffixOf(VersionKind kind) {
    switch (kind) {
    case VersionKind::Pinned:
        return ".keep";
    case VersionKind::Partial:
        return ".partial";
    case VersionKind::Suspect:
        return ".suspect";
    default:
        return "";
    }
}

} // namespace

std::string formatLocalTime(std::time_t when, const char* format) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &tm));
}

std::string versionStamp(std::time_t when) {
    return formatLocalTime(when, "%Y-%m-%d_%H%M%S");
}

std::optional<std::time_t> parseVersionStamp(const std::string& stamp) {
    if (stamp.size() != kStampLength)
        return std::nullopt;
    for (size_t i = 0; i < stamp.size(); ++i) {
        char want = i == 4 || i == 7 ? '-' : i == 10 ? '_' : '0';
        if (want == '0' ? !std::isdigit(static_cast<unsigned char>(stamp[i])) : stamp[i] != want)
            return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
    tm.tm_mon = std::stoi(stamp.substr(5, 2)) - 1;
    tm.tm_mday = std::stoi(stamp.substr(8, 2));
    tm.tm_hour = std::stoi(stamp.substr(11, 2));
    tm.tm_min = std::stoi(stamp.substr(13, 2));
    tm.tm_sec = std::stoi(stamp.substr(15, 2));
    tm.tm_isdst = -1;
    const std::tm asked = tm;
    std::time_t when = std::mktime(&tm);
    if (when == -1 || tm.tm_mon != asked.tm_mon || tm.tm_mday != asked.tm_mday || tm.tm_hour != asked.tm_hour)
        return std::nullopt; // not a date, or an hour the clocks skipped
    return when;
}

std::string versionKindName(VersionKind kind) {
    switch (kind) {
    case VersionKind::Current:
        return "";
    case VersionKind::Earlier:
        return "earlier";
    case VersionKind::Pinned:
        return "pinned";
    case VersionKind::Partial:
        return "partial";
    case VersionKind::Suspect:
        return "suspect";
    }
    return "";
}

std::filesystem::path versionPath(const std::filesystem::path& target, std::time_t when, VersionKind kind) {
    if (kind == VersionKind::Current)
        return target;
    std::filesystem::path name = target.stem();
    name += "." + versionStamp(when) + suffixOf(kind);
    name += target.extension();
    return target.parent_path() / name;
}

std::optional<BackupVersion> versionOf(const std::filesystem::path& target,
                                       const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    const std::string stem = target.stem().string() + ".";
    const std::string extension = target.extension().string();
    BackupVersion version;
    version.file = file;
    if (name == target.filename().string()) {
        version.kind = VersionKind::Current;
        return version;
    }
    if (name.size() < stem.size() + kStampLength + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension))
        return std::nullopt;
    auto when = parseVersionStamp(name.substr(stem.size(), kStampLength));
    if (!when)
        return std::nullopt;
    const std::string suffix =
        name.substr(stem.size() + kStampLength, name.size() - stem.size() - kStampLength - extension.size());
    version.time = *when;
    for (VersionKind kind :
         {VersionKind::Earlier, VersionKind::Pinned, VersionKind::Partial, VersionKind::Suspect})
        if (suffix == suffixOf(kind)) {
            version.kind = kind;
            return version;
        }
    return std::nullopt;
}

std::filesystem::path targetOfVersion(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    // X.<stamp>[.kind].ext: the stamp is the 17 characters after some dot.
    for (size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
        if (!parseVersionStamp(name.substr(dot + 1, kStampLength)))
            continue;
        size_t rest = name.find('.', dot + 1 + kStampLength);
        for (const char* kind : {".keep", ".partial", ".suspect"})
            if (rest != std::string::npos && name.compare(rest, std::strlen(kind), kind) == 0 &&
                (rest + std::strlen(kind) == name.size() || name[rest + std::strlen(kind)] == '.'))
                rest += std::strlen(kind);
        std::filesystem::path target =
            file.parent_path() / (name.substr(0, dot) + (rest == std::string::npos ? "" : name.substr(rest)));
        if (versionOf(target, file))
            return target;
    }
    return file;
}

std::vector<BackupVersion> listVersions(const std::filesystem::path& target) {
    std::vector<BackupVersion> versions;
    std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError) || entry.is_symlink(typeError))
            continue;
        auto version = versionOf(target, target.parent_path() / entry.path().filename());
        if (!version)
            continue;
        version->size = entry.file_size(typeError);
        struct stat st {};
        if (version->kind == VersionKind::Current && ::stat(entry.path().c_str(), &st) == 0)
            version->time = st.st_mtime;
        versions.push_back(std::move(*version));
    }
    std::stable_sort(versions.begin(), versions.end(), [](const BackupVersion& a, const BackupVersion& b) {
        if (a.time != b.time)
            return a.time > b.time;
        return a.kind == VersionKind::Current && b.kind != VersionKind::Current;
    });
    return versions;
}

std::vector<BackupVersion> completeVersions(const std::filesystem::path& target) {
    std::vector<BackupVersion> complete;
    for (BackupVersion& v : listVersions(target))
        if (v.kind == VersionKind::Current || v.kind == VersionKind::Earlier)
            complete.push_back(std::move(v));
    return complete;
}

std::vector<std::time_t> timesOf(const std::vector<BackupVersion>& versions) {
    std::vector<std::time_t> times;
    for (const BackupVersion& v : versions)
        times.push_back(v.time);
    return times;
}

} // namespace tessaly

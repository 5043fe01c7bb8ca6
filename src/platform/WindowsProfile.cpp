// WindowsProfile.cpp -- finding a Windows user profile on a mounted disk and mapping its paths.
#include "platform/WindowsProfile.h"

#include "platform/PathMapper.h"
#include "platform/Utf8.h"

#include <cctype>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool isFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// The entry of `base` named `relative` without regard to letter case, when it is a regular file.
std::optional<fs::path> fileBelow(const fs::path& base, std::string_view relative) {
    fs::path p = resolveComponents(base, relative);
    return isFile(p) ? std::optional<fs::path>(p) : std::nullopt;
}

std::vector<std::string> components(std::string_view text) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

// The rest of `path` when it begins with `prefix` (components compared without regard to case).
std::optional<std::string> below(const std::vector<std::string>& path,
                                 const std::vector<std::string>& prefix) {
    if (path.size() < prefix.size())
        return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (utf8::foldCase(path[i]) != utf8::foldCase(prefix[i]))
            return std::nullopt;
    std::string rest;
    for (std::size_t i = prefix.size(); i < path.size(); ++i)
        rest += (rest.empty() ? "" : "\\") + path[i];
    return rest;
}

Profile profileOf(const fs::path& given, const fs::path& userFolder, const fs::path& drive,
                  const std::string& userProfile) {
    Profile p;
    p.prefix = given;
    p.loginName = userFolder.filename().string();
    p.windowsUserFolder = userFolder;
    p.windowsDrive = drive;
    p.windowsUserProfile = userProfile;
    return p;
}

} // namespace

std::optional<Profile> windowsProfileAt(const fs::path& dir, const std::optional<std::string>& user) {
    std::error_code ec;
    const fs::path given = fs::absolute(dir, ec);
    if (!user) {
        if (!fileBelow(given, "NTUSER.DAT"))
            return std::nullopt;
        return profileOf(given, given, {}, "C:\\Documents and Settings\\" + given.filename().string());
    }
    if (user->empty() || *user == "." || *user == ".." || user->find_first_of("/\\") != std::string::npos)
        throw std::runtime_error("--user needs the name of a user folder of the Windows drive, not \"" +
                                 *user + "\"");
    if (!isFolder(given))
        throw std::runtime_error("The Windows drive " + given.string() +
                                 " (given with --profile) does not exist "
                                 "or is not a folder");
    for (const char* parent : {"Documents and Settings", "Users"}) {
        const fs::path folder = resolveComponents(given, std::string(parent) + "/" + *user);
        if (isFolder(folder) && fileBelow(folder, "NTUSER.DAT"))
            return profileOf(given, folder, given,
                             "C:\\" + folder.parent_path().filename().string() + "\\" +
                                 folder.filename().string());
    }
    throw std::runtime_error("The Windows drive " + given.string() + " has no profile of the user \"" +
                             *user + "\": neither Documents and Settings\\" + *user + " nor Users\\" + *user +
                             " holds NTUSER.DAT");
}

WindowsHivePaths windowsHivePaths(const Profile& profile) {
    WindowsHivePaths paths;
    paths.user =
        fileBelow(profile.windowsUserFolder, "NTUSER.DAT").value_or(profile.windowsUserFolder / "NTUSER.DAT");
    if (!profile.windowsDrive.empty()) {
        paths.software = fileBelow(profile.windowsDrive, "WINDOWS/system32/config/software");
        paths.system = fileBelow(profile.windowsDrive, "WINDOWS/system32/config/system");
    }
    return paths;
}

fs::path windowsHostPath(const Profile& profile, std::string_view windowsPath) {
    const std::string path(windowsPath.substr(0, windowsPath.find('\0')));
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])) ||
        static_cast<unsigned char>(path[0]) >= 0x80)
        throw std::invalid_argument("The path \"" + path + "\" has no drive letter");
    const std::string outside =
        "The path \"" + path + "\" lies outside the Windows profile mounted from " + profile.prefix.string();
    if (std::tolower(static_cast<unsigned char>(path[0])) != 'c')
        throw std::runtime_error(outside + " (only its drive C: is there)");
    const std::string_view rest = std::string_view(path).substr(2);
    if (!profile.windowsDrive.empty())
        return resolveComponents(profile.windowsDrive, rest);

    // Only the user's folder is mounted: paths inside it, however the profile's paths were written.
    const std::vector<std::string> parts = components(rest);
    const std::string name = profile.windowsUserFolder.filename().string();
    const std::vector<std::vector<std::string>> homes = {
        components(std::string_view(profile.windowsUserProfile).substr(2)),
        {"Documents and Settings", name},
        {"Users", name}};
    for (const auto& home : homes)
        if (auto inside = below(parts, home))
            return resolveComponents(profile.windowsUserFolder, *inside);
    throw std::runtime_error(outside + " (only the user's folder is there; give the drive with --profile and "
                                       "the user with --user to reach the rest)");
}

std::string readOnlyProfileMessage(const Profile& profile, const std::string& action) {
    return "The Windows profile " + profile.prefix.string() +
           " is read only: Tessaly backs up from it but never "
           "writes to it, so " +
           action + " is refused. Choose a Wine prefix with --profile for that.";
}

} // namespace tessaly

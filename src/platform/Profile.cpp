// Profile.cpp -- choosing the Wine prefix and providing the sample profile copy.
#include "platform/Profile.h"

#include "platform/Utf8.h"
#include "platform/WindowsProfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

std::optional<std::string> envValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::optional<fs::path> homeDir() {
    if (auto home = envValue("HOME"))
        return fs::path(*home);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return fs::path(pw->pw_dir);
    return std::nullopt;
}

bool holdsUserReg(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / "user.reg", ec);
}

Profile checkedPrefix(const fs::path& dir, const char* origin) {
    std::error_code ec;
    const fs::path prefix = fs::absolute(dir, ec);
    if (!fs::is_directory(prefix, ec))
        throw std::runtime_error(std::string("The Wine prefix ") + prefix.string() + " (" + origin +
                                 ") does not exist or is not a folder");
    if (!holdsUserReg(prefix))
        throw std::runtime_error(std::string("The Wine prefix ") + prefix.string() + " (" + origin +
                                 ") holds no user.reg; run a Windows program in it once (e.g. wineboot) "
                                 "so that Wine creates its registry");
    return Profile{prefix, false, currentLoginName()};
}

// The bundled tree may be read-only (an install tree); the copy must be writable by its owner.
void addOwnerWrite(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_write | fs::perms::owner_exec, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink(ec))
            continue;
        const fs::perms add =
            it->is_directory(ec) ? fs::perms::owner_write | fs::perms::owner_exec : fs::perms::owner_write;
        fs::permissions(it->path(), add, fs::perm_options::add, ec);
    }
}

} // namespace

std::string currentLoginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    if (auto user = envValue("USER"))
        return *user;
    if (auto logname = envValue("LOGNAME"))
        return *logname;
    return {};
}

fs::path bundledSampleProfileDir() {
    if (auto dir = envValue("TESSALY_SAMPLE_PROFILE"))
        return fs::path(*dir);
    return fs::path(TESSALY_SAMPLE_PROFILE_DIR);
}

fs::path sampleProfileCopyDir() {
    fs::path dataHome;
    if (auto xdg = envValue("XDG_DATA_HOME"); xdg && fs::path(*xdg).is_absolute()) {
        dataHome = *xdg;
    } else if (auto home = homeDir()) {
        dataHome = *home / ".local" / "share";
    } else {
        throw std::runtime_error("Cannot place the sample profile: neither $XDG_DATA_HOME nor a home folder "
                                 "is known");
    }
    return dataHome / "tessaly" / "sample-profile";
}

bool ensureSampleProfileCopy(const fs::path& bundledDir, const fs::path& copyDir) {
    if (holdsUserReg(copyDir))
        return false;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(copyDir, ec)))
        throw std::runtime_error("The sample profile copy " + copyDir.string() +
                                 " holds no user.reg; remove that folder to get a fresh copy");
    if (!holdsUserReg(bundledDir))
        throw std::runtime_error("No Windows profile found: $WINEPREFIX is not set, ~/.wine holds no Wine "
                                 "prefix, and the sample profile " +
                                 bundledDir.string() + " is missing or holds no user.reg");

    fs::create_directories(copyDir.parent_path(), ec);
    if (ec)
        throw std::runtime_error("Cannot create " + copyDir.parent_path().string() + ": " + ec.message());
    std::string pattern = (copyDir.parent_path() / (copyDir.filename().string() + ".new-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("Cannot create a folder in " + copyDir.parent_path().string() + ": " +
                                 std::strerror(errno));
    const fs::path staging = pattern;
    try {
        fs::copy(bundledDir, staging, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        addOwnerWrite(staging);
        fs::rename(staging, copyDir);
    } catch (const fs::filesystem_error& e) {
        fs::remove_all(staging, ec);
        // Another Tessaly may have finished the same copy in the meantime.
        if (holdsUserReg(copyDir))
            return false;
        throw std::runtime_error("Cannot copy the sample profile " + bundledDir.string() + " to " +
                                 copyDir.string() + ": " + e.code().message());
    }
    return true;
}

void linkSampleUserFolder(const fs::path& copyDir, const std::string& loginName) {
    if (loginName.empty() || loginName == "." || loginName == ".." ||
        loginName.find_first_of("/\\") != std::string::npos)
        return;
    const fs::path users = copyDir / "drive_c" / "users";
    std::error_code ec;
    if (!fs::is_directory(users / "sample", ec))
        return;
    const std::string wanted = utf8::foldCase(loginName);
    for (auto it = fs::directory_iterator(users, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        if (utf8::foldCase(it->path().filename().string()) == wanted)
            return;
    if (!ec)
        fs::create_directory_symlink("sample", users / loginName, ec);
}

Profile resolveProfile(const std::optional<fs::path>& explicitPrefix, std::string* notice,
                       const std::optional<std::string>& windowsUser) {
    if (windowsUser && (!explicitPrefix || explicitPrefix->empty()))
        throw std::runtime_error("--user names a user of a Windows drive: give the drive with --profile too");
    if (explicitPrefix && !explicitPrefix->empty()) {
        // A Wine prefix wins over a stray NTUSER.DAT beside its user.reg.
        if (windowsUser || !holdsUserReg(*explicitPrefix))
            if (auto windows = windowsProfileAt(*explicitPrefix, windowsUser))
                return *windows;
        return checkedPrefix(*explicitPrefix, "given with --profile");
    }
    if (auto winePrefix = envValue("WINEPREFIX"))
        return checkedPrefix(*winePrefix, "$WINEPREFIX");

    std::string why = "$WINEPREFIX is not set and there is no home folder";
    if (auto home = homeDir()) {
        const fs::path dotWine = *home / ".wine";
        if (holdsUserReg(dotWine))
            return Profile{fs::absolute(dotWine), false, currentLoginName()};
        std::error_code ec;
        why = fs::exists(dotWine, ec)
                  ? "$WINEPREFIX is not set and " + dotWine.string() + " holds no user.reg"
                  : "$WINEPREFIX is not set and " + dotWine.string() + " does not exist";
    }

    const fs::path copyDir = sampleProfileCopyDir();
    ensureSampleProfileCopy(bundledSampleProfileDir(), copyDir);
    linkSampleUserFolder(copyDir, currentLoginName());
    if (notice)
        *notice = "Using the sample profile in " + copyDir.string() + " (" + why + ")";
    return Profile{copyDir, true, currentLoginName()};
}

} // namespace tessaly

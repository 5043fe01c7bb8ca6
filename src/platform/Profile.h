// Profile.h -- which Windows profile Tessaly works on: a Wine prefix, or a Windows user profile on disk.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tessaly {

struct Profile {
    std::filesystem::path prefix; // the Wine prefix (holds user.reg, system.reg, dosdevices/, drive_c/)
    bool isSample = false;        // the bundled sample profile (copied to the user's data folder) is in use
    std::string loginName;        // login name of the process's user; empty if unknown

    // A Windows user profile read from its own disk (NTUSER.DAT through libhivex), never written.
    // `prefix` is then the folder given with --profile.
    std::filesystem::path windowsUserFolder{}; // the folder that holds NTUSER.DAT
    std::filesystem::path windowsDrive{};      // the mounted drive it lies on; empty when not given
    std::string windowsUserProfile{};          // %UserProfile%: "C:\Documents and Settings\<name>"
    bool isWindowsProfile() const { return !windowsUserFolder.empty(); }
};

// An explicit folder (--profile DIR) wins, else $WINEPREFIX, else ~/.wine, else the bundled sample
// profile, copied once to $XDG_DATA_HOME/tessaly/sample-profile (default ~/.local/share/...) so that
// restores never write into the install tree; *notice then receives a one-line text saying so.
// An explicit or $WINEPREFIX folder that does not exist or holds no user.reg is refused with a
// std::runtime_error naming it; so is a missing home folder or sample profile when one is needed.
// An explicit folder that holds NTUSER.DAT (or, with `windowsUser`, a mounted Windows drive) gives a
// Windows profile instead (see windowsProfileAt).
Profile resolveProfile(const std::optional<std::filesystem::path>& explicitPrefix,
                       std::string* notice = nullptr,
                       const std::optional<std::string>& windowsUser = std::nullopt);

// The bundled sample profile: $TESSALY_SAMPLE_PROFILE if set, else the folder fixed at build time.
std::filesystem::path bundledSampleProfileDir();

// Where the sample profile is copied: $XDG_DATA_HOME (when absolute) or ~/.local/share, then
// tessaly/sample-profile. Throws std::runtime_error when no home folder is known.
std::filesystem::path sampleProfileCopyDir();

// Copies the bundled sample to `copyDir` unless a copy (a folder with user.reg) is already there.
// The copy is made in a sibling folder and renamed into place, so a half-made copy is never used.
// Returns true when it copied.
bool ensureSampleProfileCopy(const std::filesystem::path& bundledDir, const std::filesystem::path& copyDir);

// Makes <copyDir>/drive_c/users/<login> a relative symbolic link to the sample user's folder
// ("sample"), so that C:\users\<login> paths (the favorites) find the sample's files for any login.
// Does nothing when the login is empty or not a plain name, when a folder of that name exists
// (matched without regard to case) or when the copy has no sample user; a link that cannot be made
// is left out. resolveProfile calls it for every use of the sample copy.
void linkSampleUserFolder(const std::filesystem::path& copyDir, const std::string& loginName);

// Login name of the process's user: the password database, else $USER, else $LOGNAME; empty if none.
std::string currentLoginName();

} // namespace tessaly

// WindowsProfile.h -- a Windows user profile read from its own disk: finding it, its hives and its paths.
#pragma once

#include "platform/Profile.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly {

// With `user`: `dir` is a mounted Windows drive and the profile is the folder
// "Documents and Settings/<user>" or "Users/<user>" on it (names matched without regard to letter
// case) that holds NTUSER.DAT; throws std::runtime_error when there is none. Without: the profile
// is `dir` itself when it holds NTUSER.DAT, and nullopt when it does not (it may be a Wine prefix).
std::optional<Profile> windowsProfileAt(const std::filesystem::path& dir,
                                        const std::optional<std::string>& user);

// The profile's hive files: NTUSER.DAT, and the machine's software and system hives below
// WINDOWS/system32/config when the drive was given and holds them.
struct WindowsHivePaths {
    std::filesystem::path user;
    std::optional<std::filesystem::path> software;
    std::optional<std::filesystem::path> system;
};
WindowsHivePaths windowsHivePaths(const Profile& profile);

// "C:\..." of a Windows profile on the host: below the drive when it was given, else below the
// user's folder for paths inside %UserProfile% (also written as C:\Documents and Settings\<name> or
// C:\Users\<name>). Throws std::invalid_argument for a path without a drive letter or climbing above
// its root, and std::runtime_error naming the path when it lies outside what is mounted.
std::filesystem::path windowsHostPath(const Profile& profile, std::string_view windowsPath);

// A change refused because the profile is a Windows profile, which is only ever read.
class ProfileReadOnly : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why Tessaly refuses `action` ("restore", "reg load", ...) on a Windows profile.
std::string readOnlyProfileMessage(const Profile& profile, const std::string& action);

} // namespace tessaly

// Environment.h -- what the program learns about the machine at start-up: computer, user, folders.
#pragma once

#include "platform/Profile.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

struct EnvironmentInfo {
    std::string
        computerName;       // from the registry when given, else the host name in capitals (<= 15 characters)
    std::string userName;   // login name, or "Unknow" when it cannot be read
    std::string windowsDir; // "C:\windows"
    std::string userProfile; // "C:\users\<login name>"
};

EnvironmentInfo probeEnvironment(const Profile& profile,
                                 const std::optional<std::string>& registryComputerName);

// The computer name Wine derives from a host name: the part before the first dot, in capitals, cut
// to 15 characters.
std::string computerNameFromHostName(std::string_view hostName);

} // namespace tessaly

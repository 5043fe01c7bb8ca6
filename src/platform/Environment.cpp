// Environment.cpp -- the environment probe on a Wine prefix.
#include "platform/Environment.h"

#include <cctype>
#include <climits>
#include <unistd.h>

namespace tessaly {

namespace {
constexpr std::size_t kMaxComputerNameLength = 15;
}

std::string computerNameFromHostName(std::string_view hostName) {
    std::string name(hostName.substr(0, hostName.find('.')));
    if (name.size() > kMaxComputerNameLength)
        name.resize(kMaxComputerNameLength);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

EnvironmentInfo probeEnvironment(const Profile& profile,
                                 const std::optional<std::string>& registryComputerName) {
    EnvironmentInfo info;
    if (registryComputerName && !registryComputerName->empty()) {
        info.computerName = *registryComputerName;
    } else {
        char host[HOST_NAME_MAX + 1] = {};
        if (gethostname(host, sizeof host - 1) == 0)
            info.computerName = computerNameFromHostName(host);
    }
    info.userName = profile.loginName.empty() ? "Unknow" : profile.loginName;
    info.windowsDir = "C:\\windows";
    info.userProfile =
        profile.windowsUserProfile.empty() ? "C:\\users\\" + info.userName : profile.windowsUserProfile;
    return info;
}

} // namespace tessaly

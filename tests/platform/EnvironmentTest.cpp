// EnvironmentTest.cpp -- computer name, user name and folders seen inside a prefix.
#include "platform/Environment.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace tessaly {
namespace {

TEST(Environment, ComputerNameFromHostName) {
    const struct {
        const char* host;
        const char* expected;
    } cases[] = {
        {"vm", "VM"},
        {"Build-Box7", "BUILD-BOX7"},
        {"mail.example.org", "MAIL"},
        {"abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNO"},
        {"exactly15chars_", "EXACTLY15CHARS_"},
        {"", ""},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(computerNameFromHostName(tc.host), tc.expected) << tc.host;
}

TEST(Environment, ProbeOfAProfileAndOfNoUser) {
    Profile profile;
    profile.loginName = "alice";

    const EnvironmentInfo fromRegistry = probeEnvironment(profile, std::string("OFFICE-PC"));
    EXPECT_EQ(fromRegistry.computerName, "OFFICE-PC");
    EXPECT_EQ(fromRegistry.userName, "alice");
    EXPECT_EQ(fromRegistry.windowsDir, "C:\\windows");
    EXPECT_EQ(fromRegistry.userProfile, "C:\\users\\alice");

    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    for (const std::optional<std::string>& none :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        const EnvironmentInfo fromHost = probeEnvironment(profile, none);
        EXPECT_EQ(fromHost.computerName, computerNameFromHostName(host));
    }

    const EnvironmentInfo unknown = probeEnvironment(Profile{}, std::string("PC"));
    EXPECT_EQ(unknown.userName, "Unknow");
    EXPECT_EQ(unknown.userProfile, "C:\\users\\Unknow");
}

} // namespace
} // namespace tessaly

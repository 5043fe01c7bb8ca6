// PathMapperTest.cpp -- a prefix seen from inside: Windows paths mapped into a Wine prefix made on the fly,
// and the computer name, user name and folders it shows.
#include "platform/PathMapper.h"
#include "TempDir.h"
#include "platform/Environment.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

class PathMapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = tmp.path() / "prefix";
        const fs::path user = prefix / "drive_c" / "users" / "root";
        fs::create_directories(user / "Local Settings" / "Mail");
        fs::create_directories(user / "Favorites");
        fs::create_directories(user / "Both" / "Mail");
        fs::create_directories(user / "Both" / "mail");
        fs::create_directories(user / "Caf\xC3\xA9");
        test::writeFile(user / "Local Settings" / "Mail" / "Inbox.dbx", "x");
        fs::create_directories(prefix / "dosdevices");
        fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
        fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
        profile.prefix = prefix;
    }

    test::TempDir tmp;
    fs::path prefix;
    Profile profile;
};

// The expected paths run through dosdevices/c:, which leads to drive_c: a mapped path reaches the file.
TEST_F(PathMapperTest, MapsThroughDriveLinks) {
    const fs::path users = prefix / "dosdevices" / "c:" / "users" / "root";
    const struct {
        std::string windows;
        fs::path host;
    } cases[] = {
        {"C:\\users\\root\\Local Settings\\Mail\\Inbox.dbx", users / "Local Settings/Mail/Inbox.dbx"},
        {"c:/users/root/Local Settings/Mail/Inbox.dbx", users / "Local Settings/Mail/Inbox.dbx"},
        {"C:\\USERS\\Root\\local settings\\MAIL\\inbox.DBX", users / "Local Settings/Mail/Inbox.dbx"},
        {"C:\\users\\root\\\\Local Settings\\.\\Mail\\", users / "Local Settings/Mail"},
        {"C:\\users\\root\\Favorites\\..\\Local Settings", users / "Local Settings"},
        {"C:\\users\\root\\CAF\xC3\x89", users / "Caf\xC3\xA9"},
        // Exact names win; otherwise the first case-insensitive match in sorted order.
        {"C:\\users\\root\\Both\\mail", users / "Both/mail"},
        {"C:\\users\\root\\Both\\MAIL", users / "Both/Mail"},
        // Missing components, and everything after them, are kept as given.
        {"C:\\users\\root\\New Folder\\MAIL\\x.txt", users / "New Folder/MAIL/x.txt"},
        {"C:\\USERS\\root\\Favorites\\New.url", users / "Favorites/New.url"},
        {"C:", prefix / "dosdevices" / "c:"},
        {"C:\\", prefix / "dosdevices" / "c:"},
        {"Z:\\ETC", prefix / "dosdevices" / "z:" / "etc"},
        // Names handed back by the Windows temp-file call end with a NUL.
        {std::string("C:\\users\\root\\KVA1.tmp\0garbage", 30), users / "KVA1.tmp"},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(hostPath(profile, tc.windows), tc.host) << tc.windows;
}

TEST_F(PathMapperTest, RefusesPathsWithoutDriveOrClimbingAboveIt) {
    const char* refused[] = {
        "",      "C",      "users\\root\\x",          "\\users\\root",          "\\\\server\\share\\x",
        "1:\\x", "C:\\..", "C:\\..\\..\\etc\\passwd", "C:\\users\\..\\..\\etc", "C:/users/root/../../../x",
    };
    for (const char* path : refused)
        EXPECT_THROW(hostPath(profile, path), std::invalid_argument) << path;
}

TEST_F(PathMapperTest, FallsBackToDriveCWithoutLinks) {
    fs::remove_all(prefix / "dosdevices");
    EXPECT_EQ(hostPath(profile, "c:\\Users\\root\\local settings"),
              prefix / "drive_c/users/root/Local Settings");
    EXPECT_THROW(hostPath(profile, "D:\\data"), std::runtime_error);
}

TEST_F(PathMapperTest, UnmappedDriveIsAnError) {
    try {
        hostPath(profile, "q:\\x");
        FAIL() << "unmapped drive accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Q:"), std::string::npos) << e.what();
    }
}

TEST_F(PathMapperTest, ResolveComponentsBelowAHostFolder) {
    const fs::path base = prefix / "drive_c" / "users" / "root";
    EXPECT_EQ(resolveComponents(base, "local settings\\MAIL/inbox.dbx"),
              base / "Local Settings/Mail/Inbox.dbx");
    EXPECT_EQ(resolveComponents(base, "Favorites\\..\\favorites"), base / "Favorites");
    EXPECT_THROW(resolveComponents(base, "..\\x"), std::invalid_argument);
}

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

// ProfileTest.cpp -- choosing the Wine prefix, copying the sample profile, and leading C:\users\<login> in
// the copy to the sample user's folder.
#include "platform/Profile.h"
#include "EnvGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

fs::path makePrefix(const fs::path& dir, const std::string& marker) {
    test::writeFile(dir / "user.reg", marker);
    fs::create_directories(dir / "drive_c" / "users");
    return dir;
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = tmp.path() / "home";
        fs::create_directories(home);
        sample = tmp.path() / "install" / "sample";
        makePrefix(sample, "sample user.reg");
        test::writeFile(sample / "system.reg", "sample system.reg");
        fs::create_directories(sample / "dosdevices");
        fs::create_directory_symlink("../drive_c", sample / "dosdevices" / "c:");

        env.set("HOME", home.string());
        env.set("TESSALY_SAMPLE_PROFILE", sample.string());
        env.unset("WINEPREFIX");
        env.unset("XDG_DATA_HOME");
    }

    std::string errorOf(const std::optional<fs::path>& explicitPrefix) {
        try {
            resolveProfile(explicitPrefix);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(no error)";
    }

    test::TempDir tmp;
    test::EnvGuard env;
    fs::path home;
    fs::path sample;
};

TEST_F(ProfileTest, ResolutionOrder) {
    const fs::path given = makePrefix(tmp.path() / "given", "given");
    const fs::path fromEnv = makePrefix(tmp.path() / "fromenv", "env");
    const fs::path dotWine = makePrefix(home / ".wine", "dotwine");

    env.set("WINEPREFIX", fromEnv.string());
    EXPECT_EQ(resolveProfile(given).prefix, given);
    EXPECT_EQ(resolveProfile(std::nullopt).prefix, fromEnv);

    env.set("WINEPREFIX", "");
    EXPECT_EQ(resolveProfile(std::nullopt).prefix, dotWine);
    env.unset("WINEPREFIX");
    std::string notice = "untouched";
    const Profile p = resolveProfile(std::nullopt, &notice);
    EXPECT_EQ(p.prefix, dotWine);
    EXPECT_FALSE(p.isSample);
    EXPECT_EQ(notice, "untouched");
}

TEST_F(ProfileTest, BadExplicitOrEnvironmentPrefixIsRefusedByName) {
    makePrefix(home / ".wine", "dotwine"); // must not be used as a silent fallback
    const fs::path empty = tmp.path() / "empty";
    fs::create_directories(empty);
    const fs::path missing = tmp.path() / "missing";

    for (const fs::path& bad : {empty, missing}) {
        EXPECT_NE(errorOf(bad).find(bad.string()), std::string::npos) << errorOf(bad);
        env.set("WINEPREFIX", bad.string());
        EXPECT_NE(errorOf(std::nullopt).find(bad.string()), std::string::npos) << errorOf(std::nullopt);
        env.unset("WINEPREFIX");
    }
}

TEST_F(ProfileTest, SampleIsCopiedToTheDataFolder) {
    const struct {
        const char* name;
        std::optional<std::string> xdgDataHome; // relative to the temp folder; "" keeps it unset
        bool relative;
        fs::path expectedBelowTmp;
    } cases[] = {
        {"xdg", "data", false, "data/tessaly/sample-profile"},
        {"default", std::nullopt, false, "home/.local/share/tessaly/sample-profile"},
        {"relative xdg ignored", "data", true, "home/.local/share/tessaly/sample-profile"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        if (!tc.xdgDataHome)
            env.unset("XDG_DATA_HOME");
        else
            env.set("XDG_DATA_HOME", tc.relative ? *tc.xdgDataHome : (tmp.path() / *tc.xdgDataHome).string());
        const fs::path expected = tmp.path() / tc.expectedBelowTmp;

        std::string notice;
        const Profile p = resolveProfile(std::nullopt, &notice);
        EXPECT_TRUE(p.isSample);
        EXPECT_EQ(p.prefix, expected);
        EXPECT_NE(notice.find("sample profile"), std::string::npos) << notice;
        EXPECT_NE(notice.find(expected.string()), std::string::npos) << notice;
        EXPECT_EQ(notice.find('\n'), std::string::npos);
        EXPECT_EQ(test::readFile(expected / "user.reg"), "sample user.reg");
        EXPECT_EQ(test::readFile(expected / "system.reg"), "sample system.reg");
        EXPECT_TRUE(fs::is_symlink(expected / "dosdevices" / "c:"));
        EXPECT_EQ(fs::read_symlink(expected / "dosdevices" / "c:"), "../drive_c");
        // No half-made copies left beside it.
        int entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(expected.parent_path()))
            ++entries;
        EXPECT_EQ(entries, 1);
        fs::remove_all(expected);
    }
}

TEST_F(ProfileTest, SampleCopyIsMadeOnceAndKept) {
    const Profile first = resolveProfile(std::nullopt);
    test::writeFile(first.prefix / "user.reg", "restored into the copy");
    test::writeFile(sample / "user.reg", "newer sample");

    const Profile second = resolveProfile(std::nullopt);
    EXPECT_EQ(second.prefix, first.prefix);
    EXPECT_EQ(test::readFile(second.prefix / "user.reg"), "restored into the copy");
}

TEST_F(ProfileTest, ReadOnlySampleGivesWritableCopy) {
    fs::permissions(sample / "user.reg", fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(sample / "drive_c", fs::perms::owner_read | fs::perms::owner_exec);
    const Profile p = resolveProfile(std::nullopt);
    EXPECT_NE(fs::status(p.prefix / "user.reg").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_NE(fs::status(p.prefix / "drive_c").permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(sample / "drive_c", fs::perms::owner_all);
}

TEST_F(ProfileTest, MissingSampleOrBrokenCopyIsAnError) {
    env.set("TESSALY_SAMPLE_PROFILE", (tmp.path() / "nowhere").string());
    EXPECT_NE(errorOf(std::nullopt).find((tmp.path() / "nowhere").string()), std::string::npos);

    env.set("TESSALY_SAMPLE_PROFILE", sample.string());
    const fs::path copy = home / ".local/share/tessaly/sample-profile";
    fs::create_directories(copy); // a copy without user.reg is never filled in silently
    EXPECT_NE(errorOf(std::nullopt).find(copy.string()), std::string::npos) << errorOf(std::nullopt);
}

TEST_F(ProfileTest, BundledSampleFolderFollowsTheVariable) {
    EXPECT_EQ(bundledSampleProfileDir(), sample);
    env.unset("TESSALY_SAMPLE_PROFILE");
    EXPECT_NE(bundledSampleProfileDir(), sample);
    EXPECT_FALSE(bundledSampleProfileDir().empty());
}

// Which logins get a link is the table below; here resolving makes the link, in an older copy too.
TEST_F(ProfileTest, ResolvingTheSampleLinksTheRunningUsersFolder) {
    fs::create_directories(sample / "drive_c/users/sample");
    const Profile first = resolveProfile(std::nullopt);
    ASSERT_TRUE(first.isSample);
    ASSERT_FALSE(first.loginName.empty());
    if (first.loginName == "sample")
        return; // a user named "sample" needs no link
    const fs::path userDir = first.prefix / "drive_c/users" / first.loginName;
    EXPECT_TRUE(fs::is_symlink(userDir));
    EXPECT_FALSE(fs::exists(sample / "drive_c/users" / first.loginName))
        << "the bundled sample stays untouched";
    fs::remove(userDir);
    resolveProfile(std::nullopt);
    EXPECT_TRUE(fs::is_symlink(userDir));
}

fs::path makeCopy(const fs::path& dir) {
    test::writeFile(dir / "user.reg", "user.reg");
    test::writeFile(dir / "drive_c/users/sample/Favorites/Home.url", "[InternetShortcut]\r\nURL=x\r\n");
    return dir;
}

TEST(SampleUserLink, LinkIsMadeOnlyWhereNoFolderAnswersForTheLogin) {
    const struct {
        const char* name;
        std::string login;
        const char* existing; // a folder already below drive_c/users, or nullptr
        const char* linkExpected;
    } cases[] = {
        {"other login", "alice", nullptr, "alice"},
        {"login with blanks", "Jo Doe", nullptr, "Jo Doe"},
        {"the sample login itself", "sample", nullptr, nullptr},
        {"sample in other case", "SAMPLE", nullptr, nullptr},
        {"own folder kept", "bob", "bob", nullptr},
        {"own folder in other case kept", "bob", "Bob", nullptr},
        {"no login", "", nullptr, nullptr},
        {"login that is a path", "../evil", nullptr, nullptr},
        {"dot", ".", nullptr, nullptr},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        test::TempDir tmp;
        const fs::path copy = makeCopy(tmp / "copy");
        const fs::path users = copy / "drive_c/users";
        if (tc.existing)
            fs::create_directories(users / tc.existing);

        linkSampleUserFolder(copy, tc.login);

        std::vector<std::string> links;
        for (const auto& entry : fs::directory_iterator(users))
            if (entry.is_symlink())
                links.push_back(entry.path().filename().string());
        if (!tc.linkExpected) {
            EXPECT_TRUE(links.empty());
            EXPECT_FALSE(fs::exists(tmp / "evil"));
            continue;
        }
        ASSERT_EQ(links, std::vector<std::string>{tc.linkExpected});
        EXPECT_EQ(fs::read_symlink(users / tc.linkExpected), "sample"); // relative: the copy may move
        EXPECT_EQ(test::readFile(users / tc.linkExpected / "Favorites/Home.url"),
                  "[InternetShortcut]\r\nURL=x\r\n");
        linkSampleUserFolder(copy, tc.login); // a second run leaves the link as it is
        EXPECT_EQ(fs::read_symlink(users / tc.linkExpected), "sample");
    }
}

TEST(SampleUserLink, CopyWithoutSampleUserGetsNoLink) {
    test::TempDir tmp;
    fs::create_directories(tmp / "copy/drive_c/users");
    linkSampleUserFolder(tmp / "copy", "alice");
    EXPECT_TRUE(fs::is_empty(tmp / "copy/drive_c/users"));
    linkSampleUserFolder(tmp / "nowhere", "alice"); // no copy at all: nothing happens, nothing thrown
    EXPECT_FALSE(fs::exists(tmp / "nowhere"));
}

} // namespace
} // namespace tessaly

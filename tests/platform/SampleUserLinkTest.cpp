// SampleUserLinkTest.cpp -- the sample profile copy leads C:\users\<login> to the sample user's folder.
#include "platform/Profile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

fs::path makeCopy(const fs::path& dir) {
    test::writeFile(dir / "user.reg", "user.reg");
    test::writeFile(dir / "drive_c/users/sample/Favorites/Home.url", "[InternetShortcut]\r\nURL=x\r\n");
    return dir;
}

TEST(SampleUserLinkTest, LinkIsMadeOnlyWhereNoFolderAnswersForTheLogin) {
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

TEST(SampleUserLinkTest, CopyWithoutSampleUserGetsNoLink) {
    test::TempDir tmp;
    fs::create_directories(tmp / "copy/drive_c/users");
    linkSampleUserFolder(tmp / "copy", "alice");
    EXPECT_TRUE(fs::is_empty(tmp / "copy/drive_c/users"));
    linkSampleUserFolder(tmp / "nowhere", "alice"); // no copy at all: nothing happens, nothing thrown
    EXPECT_FALSE(fs::exists(tmp / "nowhere"));
}

} // namespace
} // namespace tessaly

// WindowsProfileCliTest.cpp -- tessaly-cli on a Windows user profile: it reads like a Wine prefix, warns
// about a dirty hive, refuses a damaged one and refuses every change.
#include "HiveWriter.h"
#include "RunProgram.h"
#include "TempDir.h"

#include "platform/WindowsProfile.h"
#include "registry/HiveHeader.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::readFile;
using test::runProgram;
using test::TempDir;

class WindowsCli : public ::testing::Test {
protected:
    TempDir dir;
    fs::path prefix = dir / "prefix";
    fs::path disk = dir / "disk";
    fs::path userFolder = disk / "Documents and Settings" / "Alice";

    void SetUp() override {
        fs::create_directories(prefix);
        fs::copy_file(test::wineFixtureDir() / "user.reg", prefix / "user.reg");
        fs::copy_file(test::wineFixtureDir() / "system.reg", prefix / "system.reg");
        fs::create_directories(userFolder);
        test::writeHive(userFolder / "NTUSER.DAT", WineHive::load(prefix / "user.reg").root());
    }
    test::RunResult cli(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), TESSALY_CLI);
        // No crontab program: a scheduled job must be refused before one is needed.
        return runProgram(
            args, {{"WINEPREFIX", prefix.string()}, {"HOME", dir.path().string()}, {"PATH", "/nonexistent"}},
            input);
    }
    std::map<std::string, std::string> snapshot() {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(disk))
            files[e.path().string()] = e.is_regular_file() ? readFile(e.path()) : "";
        return files;
    }
};

// Every key and value of the hive against the Wine back end is compared in HiveRegistryTest.
TEST_F(WindowsCli, ReadsAsTheWinePrefixDoes) {
    auto wine = cli({"identities"});
    ASSERT_EQ(wine.exitCode, 0) << wine.err;
    for (std::vector<std::string> where :
         {std::vector<std::string>{"--profile", disk.string(), "--user", "alice"},
          {"--profile", userFolder.string()}}) {
        std::vector<std::string> args{"identities"};
        args.insert(args.end(), where.begin(), where.end());
        auto r = cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, wine.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(WindowsCli, ADirtyHiveWarnsAndADamagedOneIsRefused) {
    test::markHiveDirty(userFolder / "NTUSER.DAT");
    auto dirty = cli({"identities", "--profile", userFolder.string()});
    EXPECT_EQ(dirty.exitCode, 0);
    EXPECT_EQ(dirty.out, cli({"identities"}).out); // still read in full
    EXPECT_EQ(dirty.err, dirtyHiveWarning(userFolder / "NTUSER.DAT") + "\n");
    EXPECT_NE(dirty.err.find((userFolder / "NTUSER.DAT").string()), std::string::npos);

    fs::resize_file(userFolder / "NTUSER.DAT", fs::file_size(userFolder / "NTUSER.DAT") - 4096);
    auto damaged = cli({"identities", "--profile", userFolder.string()});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_NE(damaged.err.find("tessaly-cli: The registry hive " + (userFolder / "NTUSER.DAT").string() +
                               " cannot be read: it is cut short"),
              std::string::npos)
        << damaged.err;
}

TEST_F(WindowsCli, EveryChangeIsRefusedAndNothingIsWritten) {
    ASSERT_EQ(cli({"reg", "dump", "HKEY_CURRENT_USER\\Software\\Wine", (dir / "d.txt").string()}).exitCode,
              0);
    test::writeFile(dir / "bookmarks.htm", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n</DL><p>\n");
    const auto before = snapshot();
    Profile profile = *windowsProfileAt(userFolder, std::nullopt);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"reg", "load", "HKEY_CURRENT_USER\\Software\\Wine", (dir / "d.txt").string()},
         readOnlyProfileMessage(profile, "reg load")},
        {{"favorites", "import", (dir / "bookmarks.htm").string()},
         readOnlyProfileMessage(profile, "favorites import")},
        {{"schedule", "add", "--identity", "Main Identity", "--out", (dir / "s.tsy").string(), "--time",
          "3:00"},
         "a scheduled backup cannot use the Windows profile " + userFolder.string() +
             ": scheduled jobs run on a Wine prefix. Back it up now with tessaly-cli backup --profile DIR "
             "[--user NAME] instead"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--profile", userFolder.string()});
        auto r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << ": " << r.err;
        EXPECT_EQ(r.err, "tessaly-cli: " + c.message + "\n");
    }
    EXPECT_EQ(snapshot(), before);
}

} // namespace
} // namespace tessaly

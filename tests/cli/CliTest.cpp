// CliTest.cpp -- tessaly-cli as a user runs it: output, messages and exit codes, on a Wine prefix and on a
// Windows user profile.
#include "CliKit.h"
#include "HiveWriter.h"

#include "platform/WindowsProfile.h"
#include "registry/HiveHeader.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::readFile;
using test::runProgram;
using test::TempDir;
using test::writeFile;

const std::string kEmptyUserReg = "WINE REGISTRY Version 2\n;; All keys relative to "
                                  "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
const std::string kIdentityA = "HKEY_CURRENT_USER\\Identities\\{11111111-2222-3333-4444-555555555555}";

// A prefix holding the registry fixture.
class Cli : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path prefix = dir / "prefix";
    std::map<std::string, std::optional<std::string>> env = {{"WINEPREFIX", prefix.string()},
                                                             {"HOME", dir.path().string()}};

    void SetUp() override {
        std::filesystem::create_directories(prefix);
        writeFile(prefix / "user.reg", readFile(test::wineFixtureDir() / "user.reg"));
        writeFile(prefix / "system.reg", readFile(test::wineFixtureDir() / "system.reg"));
    }
    test::RunResult cli(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), TESSALY_CLI);
        return runProgram(args, env, input);
    }
};

TEST_F(Cli, IdentitiesOfAPrefix) {
    auto r = cli({"identities"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The fixture's other keys under Identities have no "Username": they are listed under their keys.
    EXPECT_EQ(r.out, "AddedThenKill\tAddedThenKill\nAddedWhileRunning\tAddedWhileRunning\n"
                     "HandWhileRunning2\tHandWhileRunning2\n"
                     "Main Identity\t{11111111-2222-3333-4444-555555555555}\n");
}

TEST_F(Cli, NoIdentitiesIsExitThree) {
    writeFile(prefix / "user.reg", kEmptyUserReg);
    auto r = cli({"identities"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("has no mail identities"), std::string::npos) << r.err;
}

TEST_F(Cli, HelpAndAMissingProfile) {
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--help"}, {"identities", "--help"}, {"reg", "--help"}}) {
        auto r = cli(args);
        EXPECT_EQ(r.exitCode, 0) << args[0];
        EXPECT_NE(r.out.find("usage: tessaly-cli"), std::string::npos) << args[0];
    }
    auto missing = cli({"identities", "--profile", (dir / "nowhere").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nowhere"), std::string::npos) << missing.err;
}

// Invocations refused before any work: exit code 2, a message, no output, no file and no change.
using SampleCli = test::SampleProfileCli;
TEST_F(SampleCli, RefusedInvocations) {
    const std::string out = (dir / "x.tsy").string(), idA = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";
    const std::vector<std::string> rules = {"backup", "--identity", idA, "--items", "rules", "--out", out};
    auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const struct {
        std::vector<std::string> args;
        const char* message;
        std::optional<std::string> protection = std::nullopt; // $TESSALY_PROTECTION
    } cases[] = {
        {{"frobnicate"}, "unknown verb frobnicate"},
        {{"identities", "--colour"}, "unknown option --colour"},
        {{"reg", "dump", "hkey_current_user\\Identities", out}, "Incorrect Format"},
        {{"backup", "--identity", idA, "--items", "rules,mail", "--out", out}, "unknown item \"mail\""},
        {{"backup", "--identity", "Nobody", "--out", out}, "Nobody"},
        {with(rules, {"--keep", "7d,7d"}), "retention policy"},
        {with(rules, {"--password-stdin"}), "$TESSALY_PROTECTION: unknown protection \"Strong\"", "Strong"},
        {with(rules, {"--password-stdin", "--protection", "aes"}),
         "--protection: unknown protection \"aes\""},
        {with(rules, {"--protection", "strong"}), "a strong backup file needs a password"},
        {{"messages"}, ""},
        {{"messages", "show", "--identity", "Main Identity"}, ""},
        {{"messages", "list"}, ""},
        {{"messages", "list", "a.tsy", "--identity", "Main Identity"}, ""},
        {{"messages", "export", "--identity", "Main Identity"}, ""},
        {{"messages", "export", "--identity", "Main Identity", "--to", out, "--format", "pst"},
         "--format takes mbox or eml"},
        {{"messages", "list", "--identity", "Nobody"}, "Nobody"},
    };
    const std::string userReg = readFile(prefix / "user.reg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        env["TESSALY_PROTECTION"] = c.protection;
        const auto r = cli(c.args, "pw\n");
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(readFile(prefix / "user.reg"), userReg);
}

TEST_F(Cli, RegDumpAndLoadBelowAnotherKey) {
    auto dump = cli({"reg", "dump", kIdentityA + "\\Software", (dir / "sw.txt").string()});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    std::string text = readFile(dir / "sw.txt");
    EXPECT_EQ(text.substr(0, 3), "\\\r\n");
    EXPECT_NE(text.find("\\Microsoft\\Outlook Express\\5.0\\Rules\\Mail\\000\r\n"), std::string::npos);

    auto load =
        cli({"reg", "load", "HKEY_CURRENT_USER\\Identities\\{Copy}\\Software", (dir / "sw.txt").string()});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    auto again =
        cli({"reg", "dump", "HKEY_CURRENT_USER\\Identities\\{Copy}\\Software", (dir / "copy.txt").string()});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(readFile(dir / "copy.txt"), text);
    // Every other block of user.reg is saved as Wine wrote it, and system.reg is left alone.
    const std::string original = readFile(test::wineFixtureDir() / "user.reg"),
                      saved = readFile(prefix / "user.reg");
    size_t blocks = 0;
    for (size_t at = original.find("\n["); at != std::string::npos;
         at = original.find("\n[", at + 2), ++blocks)
        EXPECT_NE(saved.find(original.substr(at + 1, original.find("\n\n", at + 1) - at)), std::string::npos)
            << original.substr(at + 1, 80);
    EXPECT_GT(blocks, 50u);
    EXPECT_EQ(readFile(prefix / "system.reg"), readFile(test::wineFixtureDir() / "system.reg"));

    auto missing = cli({"reg", "dump", kIdentityA + "\\Nothing", (dir / "n.txt").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no such key"), std::string::npos);
}

TEST_F(Cli, BadDumpOrBrokenRegistryChangesNothing) {
    std::string before = readFile(prefix / "user.reg");
    writeFile(dir / "bad.txt", "\\\r\n\"A\"= dw:1\r\n\\Sub\r\n\"B\"=bin:1,300\r\n");
    auto load = cli({"reg", "load", kIdentityA, (dir / "bad.txt").string()});
    EXPECT_EQ(load.exitCode, 1);
    EXPECT_NE(load.err.find("line 4:"), std::string::npos) << load.err;
    EXPECT_EQ(readFile(prefix / "user.reg"), before);

    const std::string brokenReg = "WINE REGISTRY Version 2\n\n[Software] 1\n\"A\"=hex:zz\n";
    writeFile(prefix / "system.reg", brokenReg);
    writeFile(dir / "good.txt", "\\\r\n\"A\"= dw:1\r\n");
    auto broken = cli({"reg", "load", kIdentityA, (dir / "good.txt").string()});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("system.reg, line 4:"), std::string::npos) << broken.err;
    EXPECT_EQ(readFile(prefix / "system.reg"), brokenReg);
    EXPECT_EQ(readFile(prefix / "user.reg"), before);
    for (const auto& e : std::filesystem::directory_iterator(prefix)) // no temporary file is left
        EXPECT_TRUE(e.path().filename().string().ends_with(".reg") || e.path().filename() == ".tessaly-lock")
            << e.path();
}

// Without a prefix the sample profile is copied and used; its favorites are exported and imported there
// (what an import makes of a bookmark file, and that a refused one changes nothing, is the favorites tests').
TEST(CliSampleProfile, UsedWhenNoPrefixExistsAndCopiedFirst) {
    TempDir home;
    const std::map<std::string, std::optional<std::string>> env = {
        {"WINEPREFIX", std::nullopt},
        {"XDG_DATA_HOME", std::nullopt},
        {"TESSALY_SAMPLE_PROFILE", TESSALY_SAMPLE_PROFILE_DIR},
        {"HOME", home.path().string()}};
    auto r = runProgram({TESSALY_CLI, "identities"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Main Identity\t{"), std::string::npos);
    EXPECT_NE(r.out.find("Work\t{"), std::string::npos);
    EXPECT_NE(r.err.find("sample"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(home / ".local/share/tessaly/sample-profile/user.reg"));

    auto exported = runProgram({TESSALY_CLI, "favorites", "export", (home / "fav.htm").string()}, env);
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(readFile(home / "fav.htm").find(">Example Rail</A>"), std::string::npos);
    writeFile(home / "new.htm", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                                "<DT><A HREF=\"https://www.example.org/\">Added</A>\n</DL><p>\n");
    auto imported = runProgram({TESSALY_CLI, "favorites", "import", (home / "new.htm").string()}, env);
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_TRUE(std::filesystem::exists(
        home / ".local/share/tessaly/sample-profile/drive_c/users/sample/Favorites/Added.url"));
    writeFile(home / "bad.htm", "<html><body>just a page</body></html>");
    auto refused = runProgram({TESSALY_CLI, "favorites", "import", (home / "bad.htm").string()}, env);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not a bookmark file"), std::string::npos) << refused.err;
}

// A save killed half-way leaves its temporary file (the whole registry, passwords included) beside
// user.reg; the next start removes it once it is old enough to belong to no running save.
TEST_F(Cli, TemporaryFilesOfKilledSavesGoAtTheNextStart) {
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    const struct {
        const char* name;
        bool old;
        bool removed;
    } files[] = {{".user.reg.tessaly-tmp-Ab3dEf9hIj2L", true, true},
                 {".user.reg.tmp-x1Y2z3", true, true}, // as earlier versions named it
                 {".user.reg.tessaly-tmp-Zz9Yy8Xx7Ww6", false, false},
                 {".notes.txt.tmp-x1Y2z3", true, false}};
    for (const auto& f : files) {
        writeFile(prefix / f.name, "\"POP3 Password2\"=hex:01,02");
        if (f.old)
            std::filesystem::last_write_time(prefix / f.name, old);
    }
    ASSERT_EQ(cli({"identities"}).exitCode, 0);
    for (const auto& f : files)
        EXPECT_EQ(std::filesystem::exists(prefix / f.name), !f.removed) << f.name;
}

// The same registry as the user's hive of a Windows drive: it reads like the Wine prefix, a dirty hive is
// warned about, a damaged one refused, and so is every change.
class WindowsCli : public Cli {
protected:
    fs::path disk = dir / "disk";
    fs::path userFolder = disk / "Documents and Settings" / "Alice";

    void SetUp() override {
        Cli::SetUp();
        fs::create_directories(userFolder);
        test::writeHive(userFolder / "NTUSER.DAT", WineHive::load(prefix / "user.reg").root());
        env["PATH"] =
            "/nonexistent"; // no crontab program: a scheduled job must be refused before one is needed
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

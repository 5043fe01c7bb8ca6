// DiscVerbsTest.cpp -- tessaly-cli disc: exit codes, output and the discs it writes.
#include "DiscTestKit.h"
#include "RunProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

using Env = std::map<std::string, std::optional<std::string>>;

RunResult disc(const std::vector<std::string>& args,
               const Env& env = {{"TESSALY_EXTRA_DRIVES", std::nullopt}}) {
    std::vector<std::string> argv{TESSALY_DISC_VERB_RUNNER};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, env);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(DiscVerbs, UsageAndRefusals) {
    const RunResult help = disc({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "usage: tessaly-cli disc drives"));
    EXPECT_EQ(disc({"write", "--help"}).exitCode, 0);

    TempDir dir;
    writeFile(dir / "a.txt", "a");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } refused[] = {
        {{}, "disc needs drives, info, write, save-iso or erase"},
        {{"burn"}, "unknown disc verb burn"},
        {{"write", (dir / "a.txt").string()}, "disc write needs --drive ADDR"},
        {{"write", "--drive", "stdio:" + (dir / "d.iso").string()}, "disc write needs at least one FILE"},
        {{"write", (dir / "none.txt").string(), "--drive", "stdio:x"}, "no such file: "},
        {{"save-iso", (dir / "a.txt").string()}, "disc save-iso needs --out X.iso"},
        {{"erase"}, "disc erase needs --drive ADDR"},
        {{"info", "--drive"}, "--drive needs a value"},
        {{"drives", "--fast"}, "unknown option --fast"},
        {{"erase", (dir / "a.txt").string(), "--drive", "stdio:x"}, "disc erase takes no files"},
        {{"info", "--drive", "/dev/no-such-drive"}, "no such drive: /dev/no-such-drive"},
        {{"write", (dir / "a.txt").string(), (dir / "a.txt").string(), "--drive",
          "stdio:" + (dir / "d.iso").string()},
         "two items would be named a.txt on the disc"},
    };
    for (const auto& c : refused) {
        const RunResult r = disc(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(contains(r.err, std::string("tessaly-cli: ") + c.message)) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
    EXPECT_FALSE(fs::exists(dir / "d.iso"));
}

// A pseudo-drive is an empty, overwritable DVD of the capacity it is given, and looking creates no file.
TEST(DiscVerbs, DrivesAndInfoOfAFreshPseudoDrive) {
    TempDir dir;
    const std::string drive = "stdio:" + (dir / "d.iso").string();
    const Env env = {{"TESSALY_EXTRA_DRIVES", drive + "#700M"}};
    const RunResult r = disc({"drives", "--no-scan"}, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, drive + "\tTessaly Image File\twriter\n");
    EXPECT_EQ(disc({"info", "--drive", drive}, env).out,
              "Media Type: DVD-RAM\nDisc Status: Empty Disc\nFree Space: 699.94 MB\nUsed Space: 0.00 MB\n"
              "Total Capacity: 700.00 MB\nNumber of Sessions: 0\nLast Session Status: Empty Session\n"
              "Disc Type (CD Only): Unknown\nDetected File Systems:\nMulti-Session Allowed: yes\n"
              "Import Allowed: no\n");
    EXPECT_FALSE(fs::exists(dir / "d.iso"));
    const RunResult none = disc({"drives", "--no-scan"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(contains(none.err, "no drives found"));
}

TEST(DiscVerbs, WriteInfoEraseAndSaveIso) {
    TempDir dir;
    writePatternFile(dir / "Backup.tsy", 80000, 1);
    writePatternFile(dir / "Mail" / "Inbox.dbx", 9000, 2);
    const std::string drive = "stdio:" + (dir / "disc.iso").string();

    const RunResult written = disc({"write", (dir / "Backup.tsy").string(), (dir / "Mail").string(),
                                    "--drive", drive, "--verify", "--label", "Sicherung"});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_TRUE(contains(written.err, "writing: 100%"));
    EXPECT_TRUE(contains(written.err, "verified: 2 of 2 files matched"));
    const auto listed = xorrisoList(dir / "disc.iso");
    EXPECT_EQ(listed.at("/Backup.tsy").size, 80000);
    EXPECT_EQ(listed.at("/Mail/Inbox.dbx").size, 9000);

    const RunResult info = disc({"info", "--drive", drive});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* line :
         {"Media Type: DVD-RAM\n", "Disc Status: Disc Open\n", "Number of Sessions: 1\n",
          "Last Session Status: Closed Session\n", "Detected File Systems: ISO9660 Joliet\n",
          "Multi-Session Allowed: yes\n", "Import Allowed: yes\n", "Disc Type (CD Only): Unknown\n"})
        EXPECT_TRUE(contains(info.out, line)) << line << info.out;

    const RunResult erased = disc({"erase", "--drive", drive});
    EXPECT_EQ(erased.exitCode, 0) << erased.err;
    EXPECT_TRUE(contains(disc({"info", "--drive", drive}).out, "Disc Status: Empty Disc\n"));

    const RunResult saved = disc({"save-iso", (dir / "Mail").string(), "--out", (dir / "mail.iso").string()});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(xorrisoList(dir / "mail.iso").at("/Mail/Inbox.dbx").size, 9000);
}

TEST(DiscVerbs, ATooLargeWriteFailsWithTheDriveErrorMessage) {
    TempDir dir;
    writePatternFile(dir / "big.bin", 300 * 1024, 3);
    const std::string drive = "stdio:" + (dir / "cd.iso").string();
    const RunResult r = disc({"write", (dir / "big.bin").string(), "--drive", drive},
                             {{"TESSALY_EXTRA_DRIVES", drive + "#256K"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "Writing Error: (3)   The image needs ")) << r.err;
    EXPECT_TRUE(
        contains(r.err, "Error trying to write past the end of the media (1021).\n Error Sense Data: none"));
}

} // namespace
} // namespace tessaly::test

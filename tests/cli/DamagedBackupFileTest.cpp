// DamagedBackupFileTest.cpp -- backup files that are damaged or made to harm: each gets its message, and
// nothing is ever written outside the chosen folder.
#include "backupfile/Scrambler.h"
#include "engine/SilentUi.h"

#include "ArchiveKit.h"
#include "RunProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <regex>

namespace tessaly {
namespace {

using test::readFile;
using test::runProgram;
using test::TempDir;
using test::writeFile;

const char* kInfo = "BackupIdentity=x\r\nBackupItem=00000010\r\nBackupStationeries=a.htm\r\n";

// A backup file around the given archive bytes, scrambled for the empty password.
void makeBackup(const std::filesystem::path& file, const std::string& archive) {
    writeFile(file, archive);
    SilentUi ui;
    ScrambleFile(file, "", true, {}, CodePage(1252), ui);
}

std::string archiveOf(const std::filesystem::path& dir, const std::vector<test::RawEntry>& entries) {
    test::makeArchive(dir / "raw.zip", entries);
    std::string bytes = readFile(dir / "raw.zip");
    std::filesystem::remove(dir / "raw.zip");
    return bytes;
}

struct DamagedCase {
    const char* name;    // also the fixture's file name
    std::string body;    // what the backup file holds
    int exitCode;        // of "tessaly-cli extract"
    const char* message; // part of what it says
};

TEST(DamagedBackupFiles, EachDefectHasItsMessageAndNothingLeavesTheFolder) {
    TempDir dir;
    const std::string good =
        archiveOf(dir.path(), {{"vantrel.dat", kInfo}, {"a.htm", "<p>stationery</p>", true}});
    std::string backup;
    {
        makeBackup(dir / "good.tsy", good);
        backup = readFile(dir / "good.tsy");
    }
    std::string flippedDigest = backup;
    flippedDigest[backup.size() - 20] = flippedDigest[backup.size() - 20] == 'a' ? 'b' : 'a';
    std::string cutDirectory = good.substr(0, good.rfind("PK\x01\x02", std::string::npos));

    struct Built {
        const char* name;
        std::string archive; // scrambled into a backup file when not empty
        std::string raw;     // taken as the backup file's bytes as they are
        int exitCode;
        const char* message;
    };
    const std::vector<Built> cases = {
        {"truncated", "", backup.substr(0, backup.size() / 2), 1, "not a backup file"},
        {"trailer-only", "", backup.substr(backup.size() - 33), 1, "damaged"},
        // A digest byte changed to another hex digit is a trailer of some other password.
        {"flipped-digest-byte", "", flippedDigest, 2, "wrong password"},
        {"parent-entry", archiveOf(dir.path(), {{"../escaped.txt", "evil"}, {"vantrel.dat", kInfo}}), "", 1,
         "extraction failed"},
        {"absolute-entry", archiveOf(dir.path(), {{"/tmp/tessaly-absolute-entry.txt", "evil"}}), "", 1,
         "extraction failed"},
        {"drive-letter-entry", archiveOf(dir.path(), {{"C:\\evil.txt", "evil"}}), "", 1, "extraction failed"},
        {"central-directory-cut-off", cutDirectory, "", 1, "damaged"},
        {"non-zip-body", std::string(5000, 'x'), "", 1, "damaged"},
    };
    for (const Built& c : cases) {
        std::filesystem::path file = dir / (std::string(c.name) + ".tsy");
        if (!c.archive.empty())
            makeBackup(file, c.archive);
        else
            writeFile(file, c.raw);
        std::filesystem::path out = dir / "out" / c.name;
        auto r = runProgram(
            {TESSALY_CLI, "extract", file.string(), out.string(), "--profile", TESSALY_SAMPLE_PROFILE_DIR},
            {{"TESSALY_PASSWORD", ""}});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / "escaped.txt")) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir / "escaped.txt")) << c.name;
        EXPECT_FALSE(std::filesystem::exists("/tmp/tessaly-absolute-entry.txt")) << c.name;
        if (std::filesystem::exists(out)) {
            EXPECT_TRUE(std::filesystem::is_empty(out)) << c.name;
        }
    }
    // A flipped body byte: the password still matches, the damaged member is named by verify.
    std::string flippedBody = backup;
    ASSERT_NE(good.find("stationery"), std::string::npos);
    flippedBody[good.find("stationery")] ^= 0x20;
    writeFile(dir / "flipped-body-byte.tsy", flippedBody);
    auto verify = runProgram({TESSALY_CLI, "verify", (dir / "flipped-body-byte.tsy").string(), "--profile",
                              TESSALY_SAMPLE_PROFILE_DIR},
                             {{"TESSALY_PASSWORD", ""}});
    EXPECT_EQ(verify.exitCode, 1) << verify.out << verify.err;
    EXPECT_NE(verify.out.find("FAIL member a.htm"), std::string::npos) << verify.out;
}

// What verify finds damaged, restore refuses with the same words and exit code, changing nothing.
TEST(DamagedBackupFiles, RestoreAndVerifyAgree) {
    TempDir dir;
    const std::string good =
        archiveOf(dir.path(), {{"vantrel.dat", kInfo}, {"a.htm", "<p>stationery</p>", true}});
    std::string flippedMember = good;
    flippedMember[good.find("stationery")] ^= 0x20;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"directory-cut-off", good.substr(0, good.rfind("PK\x05\x06"))},
        {"bytes-after-the-end-record", good + "some bytes before the password check"},
        {"damaged-member", flippedMember},
        {"no-info-file", archiveOf(dir.path(), {{"a.htm", "<p>stationery</p>"}})},
    };
    test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, dir / "profile");
    const std::string profileBefore = readFile(dir / "profile/user.reg");
    for (const auto& [name, archive] : cases) {
        std::filesystem::path file = dir / (std::string(name) + ".tsy");
        makeBackup(file, archive);
        auto verify =
            runProgram({TESSALY_CLI, "verify", file.string(), "--profile", (dir / "profile").string()},
                       {{"TESSALY_PASSWORD", ""}});
        auto restore = runProgram({TESSALY_CLI, "restore", file.string(), "--identity", "Work", "--yes",
                                   "--profile", (dir / "profile").string()},
                                  {{"TESSALY_PASSWORD", ""}});
        EXPECT_EQ(verify.exitCode, 1) << name << verify.out << verify.err;
        EXPECT_EQ(restore.exitCode, 1) << name << restore.out << restore.err;
        std::string said = verify.out + verify.err;
        size_t fail = said.find("FAIL ");
        std::string problem =
            fail != std::string::npos ? said.substr(fail + 5) : said.substr(said.find("damaged: ") + 9);
        problem = problem.substr(0, problem.find('\n'));
        ASSERT_FALSE(problem.empty()) << name << said;
        // Each run names its own private copy of the archive.
        const std::regex privateCopy("[^ (]*/tessaly-[^/]+/[^:]+: ");
        problem = std::regex_replace(problem, privateCopy, "");
        EXPECT_NE(std::regex_replace(restore.err, privateCopy, "").find(problem), std::string::npos)
            << name << ": " << problem << " / " << restore.err;
        EXPECT_EQ(readFile(dir / "profile/user.reg"), profileBefore) << name;
    }
}

// Whatever a restore or an extraction refuses, verify refuses as well, before anybody relies on the file.
TEST(DamagedBackupFiles, VerifyRefusesWhatRestoreAndExtractRefuse) {
    TempDir dir;
    std::string deep = "\\";
    for (int i = 0; i < 600; ++i)
        deep += (i ? "\\k" : "k");
    const char* rulesInfo = "BackupIdentity=x\r\nBackupItem=00100000\r\nBackupRules=rules.dat\r\n";
    const test::RawEntry stationery{"a.htm", "<p>stationery</p>"};
    struct Case {
        const char* name;
        std::vector<test::RawEntry> entries;
        bool extractRefuses;
    };
    const std::vector<Case> cases = {
        {"parent-entry", {{"vantrel.dat", kInfo}, stationery, {"../escaped.txt", "evil"}}, true},
        {"absolute-entry",
         {{"vantrel.dat", kInfo}, stationery, {"/tmp/tessaly-verify-absolute.txt", "evil"}},
         true},
        {"drive-letter-entry", {{"vantrel.dat", kInfo}, stationery, {"C:evil.txt", "evil"}}, true},
        {"dot-dot-space-entry", {{"vantrel.dat", kInfo}, stationery, {"sub/.. /evil.txt", "evil"}}, true},
        {"recorded-name-with-a-folder",
         {{"vantrel.dat", "BackupIdentity=x\r\nBackupItem=00000010\r\nBackupStationeries=sub\\a.htm\r\n"},
          {"sub\\a.htm", "<p>stationery</p>"}},
         false},
        {"dump-600-levels-deep", {{"vantrel.dat", rulesInfo}, {"rules.dat", deep + "\r\n"}}, false},
    };
    test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, dir / "profile");
    const std::string profileBefore = readFile(dir / "profile/user.reg");
    for (const Case& c : cases) {
        const std::filesystem::path file = dir / (std::string(c.name) + ".tsy");
        makeBackup(file, archiveOf(dir.path(), c.entries));
        const std::string profile = (dir / "profile").string();
        auto verify = runProgram({TESSALY_CLI, "verify", file.string(), "--profile", profile},
                                 {{"TESSALY_PASSWORD", ""}});
        EXPECT_EQ(verify.exitCode, 1) << c.name << ": " << verify.out << verify.err;
        EXPECT_NE(verify.out.find("FAIL "), std::string::npos) << c.name << ": " << verify.out;
        auto extract =
            runProgram({TESSALY_CLI, "extract", file.string(), (dir / "out").string(), "--profile", profile},
                       {{"TESSALY_PASSWORD", ""}});
        EXPECT_EQ(extract.exitCode, c.extractRefuses ? 1 : 0) << c.name << ": " << extract.err;
        auto restore = runProgram(
            {TESSALY_CLI, "restore", file.string(), "--identity", "Work", "--yes", "--profile", profile},
            {{"TESSALY_PASSWORD", ""}});
        EXPECT_NE(restore.exitCode, 0) << c.name << ": " << restore.out << restore.err;
        EXPECT_EQ(readFile(dir / "profile/user.reg"), profileBefore) << c.name;
        std::filesystem::remove_all(dir / "out");
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/tessaly-verify-absolute.txt"));
}

} // namespace
} // namespace tessaly

// DamagedBackupFileTest.cpp -- compatible backup files that are damaged or made to harm: each is refused
// with its message, and nothing is ever written outside the chosen folder.
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

// Each file is verified, extracted and restored into a copy of the sample profile. Every run refuses it
// (extract excepted where only a restore could see the harm), and nothing is written outside the chosen
// folder or into the profile.
TEST(DamagedBackupFiles, VerifyExtractAndRestoreRefuseEachDefectAndNothingLeavesTheFolder) {
    TempDir dir;
    const test::RawEntry info{"vantrel.dat", kInfo}, stationery{"a.htm", "<p>stationery</p>", true};
    const std::string good = archiveOf(dir.path(), {info, stationery});
    makeBackup(dir / "good.tsy", good);
    const std::string backup = readFile(dir / "good.tsy");
    std::string flippedMember = good;
    flippedMember[good.find("stationery")] ^= 0x20;
    std::string deep = "\\";
    for (int i = 0; i < 600; ++i)
        deep += (i ? "\\k" : "k");
    const char* rulesInfo = "BackupIdentity=x\r\nBackupItem=00100000\r\nBackupRules=rules.dat\r\n";

    struct Case {
        const char* name;
        std::string archive; // scrambled into a backup file when not empty
        std::string raw;     // taken as the backup file's bytes as they are
        int verify, extract; // exit codes
        const char* message; // part of what extract says
        // Verify names a failing member ("FAIL ..."), or restore says what verify does.
        enum { Refused, NamesTheMember, RestoreAgrees } verifySays = Refused;
    };
    const std::vector<Case> cases = {
        {"truncated", "", backup.substr(0, backup.size() / 2), 1, 1, "not a backup file"},
        {"trailer-only", "", backup.substr(backup.size() - 33), 1, 1, "damaged"},
        {"central-directory-cut-off", good.substr(0, good.rfind("PK\x01\x02")), "", 1, 1, "damaged",
         Case::RestoreAgrees},
        {"end-record-cut-off", good.substr(0, good.rfind("PK\x05\x06")), "", 1, 1, "damaged",
         Case::RestoreAgrees},
        {"bytes-after-the-end-record", good + "some bytes before the password check", "", 1, 1, "",
         Case::RestoreAgrees},
        {"non-zip-body", std::string(5000, 'x'), "", 1, 1, "damaged"},
        {"damaged-member", flippedMember, "", 1, 1, "a.htm", Case::RestoreAgrees},
        {"no-info-file", archiveOf(dir.path(), {stationery}), "", 1, 0, "", Case::RestoreAgrees},
        {"parent-entry", archiveOf(dir.path(), {info, stationery, {"../escaped.txt", "evil"}}), "", 1, 1,
         "extraction failed", Case::NamesTheMember},
        {"absolute-entry",
         archiveOf(dir.path(), {info, stationery, {"/tmp/tessaly-absolute-entry.txt", "evil"}}), "", 1, 1,
         "extraction failed", Case::NamesTheMember},
        {"drive-letter-entry", archiveOf(dir.path(), {info, stationery, {"C:\\evil.txt", "evil"}}), "", 1, 1,
         "extraction failed", Case::NamesTheMember},
        {"drive-relative-entry", archiveOf(dir.path(), {info, stationery, {"C:evil.txt", "evil"}}), "", 1, 1,
         "extraction failed", Case::NamesTheMember},
        {"dot-dot-space-entry", archiveOf(dir.path(), {info, stationery, {"sub/.. /evil.txt", "evil"}}), "",
         1, 1, "", Case::NamesTheMember},
        {"recorded-name-with-a-folder",
         archiveOf(
             dir.path(),
             {{"vantrel.dat", "BackupIdentity=x\r\nBackupItem=00000010\r\nBackupStationeries=sub\\a.htm\r\n"},
              {"sub\\a.htm", "<p>stationery</p>"}}),
         "", 1, 0, "", Case::NamesTheMember},
        {"dump-600-levels-deep",
         archiveOf(dir.path(), {{"vantrel.dat", rulesInfo}, {"rules.dat", deep + "\r\n"}}), "", 1, 0, "",
         Case::NamesTheMember},
    };
    test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, dir / "profile");
    const std::string profile = (dir / "profile").string(),
                      profileBefore = readFile(dir / "profile/user.reg");
    const std::filesystem::path out = dir / "out";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / (std::string(c.name) + ".tsy");
        if (!c.archive.empty())
            makeBackup(file, c.archive);
        else
            writeFile(file, c.raw);
        auto cli = [&](std::vector<std::string> args) {
            args.insert(args.begin(), TESSALY_CLI);
            args.insert(args.end(), {"--profile", profile});
            return runProgram(args, {{"TESSALY_PASSWORD", ""}});
        };
        auto verify = cli({"verify", file.string()});
        auto extract = cli({"extract", file.string(), out.string()});
        auto restore = cli({"restore", file.string(), "--identity", "Work", "--yes"});
        EXPECT_EQ(verify.exitCode, c.verify) << verify.out << verify.err;
        EXPECT_EQ(extract.exitCode, c.extract) << extract.err;
        EXPECT_NE(extract.err.find(c.message), std::string::npos) << extract.err;
        EXPECT_NE(restore.exitCode, 0) << restore.out << restore.err;
        if (c.verifySays == Case::NamesTheMember) {
            EXPECT_NE(verify.out.find("FAIL "), std::string::npos) << verify.out;
        }
        if (c.verifySays == Case::RestoreAgrees) {
            const std::string said = verify.out + verify.err;
            const size_t fail = said.find("FAIL ");
            std::string problem =
                fail != std::string::npos ? said.substr(fail + 5) : said.substr(said.find("damaged: ") + 9);
            problem = problem.substr(0, problem.find('\n'));
            ASSERT_FALSE(problem.empty()) << said;
            // Each run names its own private copy of the archive.
            const std::regex privateCopy("[^ (]*/tessaly-[^/]+/[^:]+: ");
            problem = std::regex_replace(problem, privateCopy, "");
            EXPECT_NE(std::regex_replace(restore.err, privateCopy, "").find(problem), std::string::npos)
                << problem << " / " << restore.err;
        }
        if (c.extract != 0) {
            // A refused file leaves nothing; of an archive with a damaged member only the whole ones come
            // out.
            EXPECT_EQ(std::filesystem::exists(out) ? test::treeOf(out) : std::set<std::string>{},
                      c.name == std::string("damaged-member") ? std::set<std::string>{"vantrel.dat"}
                                                              : std::set<std::string>{});
        }
        EXPECT_FALSE(std::filesystem::exists(out / "escaped.txt"));
        EXPECT_FALSE(std::filesystem::exists(dir / "escaped.txt"));
        EXPECT_FALSE(std::filesystem::exists("/tmp/tessaly-absolute-entry.txt"));
        EXPECT_EQ(readFile(dir / "profile/user.reg"), profileBefore);
        std::filesystem::remove_all(out);
    }
}

} // namespace
} // namespace tessaly

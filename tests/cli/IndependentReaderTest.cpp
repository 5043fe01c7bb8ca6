// IndependentReaderTest.cpp -- backup files of both formats, valid, damaged or made to harm: a reader written
// from docs/FORMAT.md alone (tsy_reader.py) and tessaly-cli verify and extract accept and refuse the very
// same ones, tessaly-cli names each defect, and no plain data is left anywhere; damaged compatible files are
// refused by restore too, and nothing leaves the chosen folder.
#include "backupfile/Scrambler.h"
#include "backupfile/StrongContainer.h"
#include "engine/SilentUi.h"

#include "ArchiveKit.h"
#include "RunProgram.h"
#include "StrongForge.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <regex>

namespace tessaly {
namespace {

using test::forgedHeader;
using test::forgeStrong;
using test::le;
using test::readFile;
using test::runProgram;
using test::TempDir;
using test::writeFile;

constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kPush = crypto_secretstream_xchacha20poly1305_TAG_PUSH;
constexpr unsigned char kRekey = crypto_secretstream_xchacha20poly1305_TAG_REKEY;
constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;
constexpr size_t kSealedChunk = kStrongChunk + 17;

// Writes and returns an archive whose one stationery, a.htm, is noise(size, 7).
std::string strongTestArchive(const std::filesystem::path& zip, std::size_t size) {
    test::makeArchive(
        zip, {{"vantrel.dat", "BackupIdentity=x\r\nBackupItem=00000010\r\nBackupStationeries=a.htm\r\n"},
              {"a.htm", test::noise(size, 7), true}});
    return readFile(zip);
}

// A zip archive padded with an archive comment to a whole number of 64 KiB pieces.
std::string paddedToPieces(std::string zip) {
    size_t pad = (kStrongChunk - zip.size() % kStrongChunk) % kStrongChunk;
    zip.replace(zip.size() - 2, 2, le(pad, 2));
    return zip + std::string(pad, ' ');
}

std::string flipped(std::string file, std::size_t offset) {
    file[offset] ^= 0x04;
    return file;
}

std::string replaced(std::string file, size_t offset, char c) {
    file[offset] = c;
    return file;
}

TEST(IndependentReader, AgreesWithTessalyOnEveryValidAndCraftedFile) {
    TempDir dir;
    const std::string small = strongTestArchive(dir / "small.zip", 3000),
                      large = strongTestArchive(dir / "large.zip", 3 * kStrongChunk + 5000),
                      exact = paddedToPieces(strongTestArchive(dir / "exact.zip", 2 * kStrongChunk));
    const std::map<const std::string*, size_t> memberSize = {
        {&small, 3000}, {&large, 3 * kStrongChunk + 5000}, {&exact, 2 * kStrongChunk}};
    writeFile(dir / "exact.zip", exact);
    ASSERT_EQ(exact.size() % kStrongChunk, 0u);
    const size_t L = large.size();

    SilentUi ui;
    auto sealed = [&](const char* zip, const char* password) {
        std::filesystem::remove(dir / "sealed.tsy"); // sealing makes its file new
        sealStrong(dir / zip, dir / "sealed.tsy", password, KdfParameters{1, 8192}, ui);
        return readFile(dir / "sealed.tsy");
    };
    auto scrambled = [&](const char* zip, const char* password) {
        std::filesystem::remove(dir / "scrambled.tsy");
        scrambleInto(dir / zip, dir / "scrambled.tsy", password, CodePage(1252), ui);
        return readFile(dir / "scrambled.tsy");
    };
    const std::string strong = sealed("large.zip", "right"), compatible = scrambled("large.zip", "right");
    ASSERT_EQ((strong.size() - kStrongHeaderSize - 8 + kSealedChunk - 1) / kSealedChunk, 4u);
    auto chunk = [&](size_t i) { return strong.substr(kStrongHeaderSize + i * kSealedChunk, kSealedChunk); };
    std::string swapped = strong;
    swapped.replace(kStrongHeaderSize + kSealedChunk, kSealedChunk, chunk(2));
    swapped.replace(kStrongHeaderSize + 2 * kSealedChunk, kSealedChunk, chunk(1));
    // The last chunk (the one marked final) gone, the end mark kept.
    std::string droppedFinal = strong;
    droppedFinal.erase(kStrongHeaderSize + 3 * kSealedChunk,
                       strong.size() - 8 - kStrongHeaderSize - 3 * kSealedChunk);

    struct Case {
        std::string name;
        std::string bytes;
        const char* password;
        int exitCode;
        const std::string* archive; // what an accepting reader must give back
        const char* message = "";   // part of what tessaly-cli says when it refuses
    };
    std::vector<Case> cases = {
        {"strong-small", sealed("small.zip", "right"), "right", 0, &small},
        {"strong-four-chunks", strong, "right", 0, &large},
        {"strong-empty-last-chunk", sealed("exact.zip", "right"), "right", 0, &exact},
        {"strong-forged-as-documented", forgeStrong(large, "right"), "right", 0, &large},
        {"compatible", compatible, "right", 0, &large},
        {"compatible-no-password", scrambled("small.zip", ""), "", 0, &small},
        {"compatible-last-byte-not-compared", flipped(compatible, compatible.size() - 1), "right", 0, &large},
        {"strong-wrong-password", strong, "Right", 2, nullptr, "wrong password for"},
        {"strong-empty-password", strong, "", 2, nullptr, "wrong password for"},
        {"forged-salt", forgedHeader(strong, 24, "0123456789abcdef"), "right", 2, nullptr,
         "wrong password for"},
        {"middle-chunk-push",
         forgeStrong(large, "right",
                     {{65536, kMessage}, {65536, kPush}, {65536, kMessage}, {L - 3 * 65536, kFinal}}),
         "right", 1, nullptr,
         "chunk 2 of its encrypted data (at byte 65665) carries the tag 1 where the format allows only"},
        {"middle-chunk-rekey",
         forgeStrong(large, "right",
                     {{65536, kRekey}, {65536, kMessage}, {65536, kMessage}, {L - 3 * 65536, kFinal}}),
         "right", 1, nullptr},
        {"full-chunk-final", forgeStrong(large, "right", {{65536, kFinal}, {L - 65536, kFinal}}), "right", 1,
         nullptr},
        {"last-chunk-message", forgeStrong(small, "right", {{small.size(), kMessage}}), "right", 1, nullptr},
        {"last-chunk-a-full-piece",
         forgeStrong(exact, "right",
                     {{65536, kMessage}, {65536, kMessage}, {exact.size() - 2 * 65536, kFinal}}),
         "right", 1, nullptr, "is 65553 bytes long, more than a last chunk can hold (65552)"},
        {"last-chunk-above-a-piece",
         forgeStrong(large, "right", {{65536, kMessage}, {65536, kMessage}, {L - 2 * 65536, kFinal}}),
         "right", 1, nullptr},
        {"short-first-chunk", forgeStrong(large, "right", {{1000, kMessage}, {L - 1000, kFinal}}), "right", 1,
         nullptr},
        {"forged-reserved-low", forgedHeader(strong, 10, "\x01"), "right", 1, nullptr,
         "uses its header's reserved field"},
        {"forged-reserved-high", forgedHeader(strong, 11, "\x01"), "right", 1, nullptr,
         "uses its header's reserved field"},
        {"forged-version", forgedHeader(strong, 8, "\x02"), "right", 1, nullptr, "format version 2"},
        {"forged-kdf", forgedHeader(strong, 9, "\x07"), "right", 1, nullptr,
         "names a key derivation (7) that"},
        {"work-above-cap", forgedHeader(strong, 12, le(13, 4) + le(std::uint64_t{256} << 20, 8)), "right", 1,
         nullptr, "above Tessaly's limits (opslimit 13, memlimit 268435456 bytes)"},
        {"memlimit-above-cap", forgedHeader(strong, 12, le(1, 4) + le(std::uint64_t{512} << 20, 8)), "right",
         1, nullptr, "above Tessaly's limits"},
        {"opslimit-above-cap", forgedHeader(strong, 12, le(0xFFFFFFFF, 4)), "right", 1, nullptr,
         "above Tessaly's limits (opslimit 4294967295"},
        {"opslimit-zero", forgedHeader(strong, 12, le(0, 4)), "right", 1, nullptr},
        {"memlimit-below-minimum", forgedHeader(strong, 16, le(4096, 8)), "right", 1, nullptr,
         "below the library's minimum"},
        {"shorter-than-a-strong-file", strong.substr(0, kStrongHeaderSize + 24), "Right", 1, nullptr,
         "is 136 bytes long, shorter than the shortest strong backup file (137 bytes)"},
        {"header-only", strong.substr(0, kStrongHeaderSize), "Right", 1, nullptr,
         "no encrypted data after its header"},
        {"cut-inside-header", strong.substr(0, 90), "right", 1, nullptr, "cut short inside its header"},
        {"flipped-magic", flipped(strong, 2), "right", 1, nullptr, "ends like a strong backup file"},
        {"flipped-first-chunk", flipped(strong, kStrongHeaderSize + 100), "right", 1, nullptr,
         "chunk 1 of its encrypted"},
        {"flipped-middle-chunk", flipped(strong, kStrongHeaderSize + kSealedChunk + 7), "right", 1, nullptr,
         "chunk 2 of its encrypted"},
        {"flipped-last-chunk", flipped(strong, strong.size() - 12), "right", 1, nullptr,
         "chunk 4 of its encrypted"},
        {"swapped-chunks", swapped, "right", 1, nullptr,
         "chunk 2 of its encrypted data (at byte 65665) fails"},
        {"dropped-first-chunk", std::string(strong).erase(kStrongHeaderSize, kSealedChunk), "right", 1,
         nullptr, "chunk 1 of its encrypted data"},
        {"dropped-final-chunk", droppedFinal, "right", 1, nullptr,
         "cut short: it ends after chunk 3, before its last chunk"},
        {"cut-at-chunk-boundary", strong.substr(0, kStrongHeaderSize + 2 * kSealedChunk), "right", 1, nullptr,
         "cut short: its encrypted data ends inside chunk 2"},
        {"cut-between-boundaries", strong.substr(0, kStrongHeaderSize + kSealedChunk + 1000), "right", 1,
         nullptr, "cut short: its encrypted data ends inside chunk 2"},
        {"end-mark-missing", strong.substr(0, strong.size() - 8), "right", 1, nullptr, "cut short"},
        {"flipped-end-mark", flipped(strong, strong.size() - 5), "right", 1, nullptr,
         "end mark after the last chunk"},
        {"one-byte-added", strong + "x", "right", 1, nullptr, "has 1 byte added after its end"},
        {"chunk-added", strong + chunk(1), "right", 1, nullptr, "has 65553 bytes added after its end"},
        {"compatible-wrong-password", compatible, "Right", 2, nullptr, "wrong password"},
        // A digest byte changed to another hex digit is a trailer of some other password.
        {"compatible-digest-changed",
         replaced(compatible, compatible.size() - 33, compatible[compatible.size() - 33] == 'a' ? 'b' : 'a'),
         "right", 2, nullptr, "wrong password"},
        {"compatible-trailer-not-hex", replaced(compatible, compatible.size() - 10, 'x'), "Right", 1,
         nullptr},
        {"compatible-32-bytes", compatible.substr(compatible.size() - 32), "right", 1, nullptr},
        {"empty", "", "right", 1, nullptr},
    };
    // The header's checksum covers every field before it: version, limits, salt, key check, stream header.
    for (size_t offset : {8, 12, 30, 50, 80, 100})
        cases.push_back({"flipped-header-byte-" + std::to_string(offset), flipped(strong, offset), "right", 1,
                         nullptr, "does not match the header's checksum"});

    const std::filesystem::path plain = dir / "plain.zip", tmp = dir / "tmp", out = dir / "out";
    std::filesystem::create_directories(tmp);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / (c.name + ".tsy");
        writeFile(file, c.bytes);
        const std::map<std::string, std::optional<std::string>> env = {{"TESSALY_PASSWORD", c.password},
                                                                       {"TMPDIR", tmp.string()}};
        std::filesystem::remove(plain);
        auto own = runProgram({PYTHON3, TSY_READER, file.string(), plain.string()}, env);
        EXPECT_EQ(own.exitCode, c.exitCode) << "independent reader: " << own.err;
        if (c.archive && own.exitCode == 0) {
            EXPECT_EQ(readFile(plain), *c.archive);
        }
        std::filesystem::remove_all(out);
        for (const std::string verb : {"verify", "extract"}) {
            std::vector<std::string> args = {TESSALY_CLI, verb, file.string()};
            if (verb == "extract")
                args.push_back(out.string());
            args.insert(args.end(), {"--profile", TESSALY_SAMPLE_PROFILE_DIR});
            const auto r = runProgram(args, env);
            EXPECT_EQ(r.exitCode, c.exitCode) << verb << ": " << r.out << r.err;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << verb << ": " << r.err;
            if (c.exitCode != 0) {
                EXPECT_EQ(r.out.find("ok   password"), std::string::npos) << verb;
            }
        }
        if (c.archive) {
            EXPECT_EQ(readFile(out / "a.htm"), test::noise(memberSize.at(c.archive), 7));
        } else {
            // A refused file leaves no plain data in the destination.
            EXPECT_TRUE(!std::filesystem::exists(out) || std::filesystem::is_empty(out));
        }
        EXPECT_TRUE(std::filesystem::is_empty(tmp)); // nor in the working folder
        EXPECT_EQ(readFile(file), c.bytes);
    }
}

// Compatible backup files that are damaged or made to harm: each is refused with its message, and nothing is
// ever written outside the chosen folder.
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

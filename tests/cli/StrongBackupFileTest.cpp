// StrongBackupFileTest.cpp -- strong backup files that are damaged or made to harm: each gets its own
// message and a non-zero exit, and no plain data is left anywhere.
#include "backupfile/StrongContainer.h"
#include "engine/SilentUi.h"

#include "StrongCliKit.h"
#include "StrongForge.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace tessaly {
namespace {

using test::flipped;
using test::forgedHeader;
using test::forgeStrong;
using test::le;
using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr size_t kSealedChunk = kStrongChunk + 17;

TEST(StrongBackupFiles, EachDefectHasItsMessageAndLeavesNoPlainData) {
    TempDir dir;
    const std::string archive = test::strongTestArchive(dir / "raw.zip", 3 * kStrongChunk + 5000);
    SilentUi ui;
    sealStrong(dir / "raw.zip", dir / "good.tsy", "right", KdfParameters{1, 8192}, ui);
    std::filesystem::remove(dir / "raw.zip");
    const std::string good = readFile(dir / "good.tsy");
    const size_t chunks = (good.size() - kStrongHeaderSize - 8 + kSealedChunk - 1) / kSealedChunk;
    ASSERT_EQ(chunks, 4u);
    auto chunk = [&](size_t i) { return good.substr(kStrongHeaderSize + i * kSealedChunk, kSealedChunk); };
    std::string swapped = good;
    swapped.replace(kStrongHeaderSize + kSealedChunk, kSealedChunk, chunk(2));
    swapped.replace(kStrongHeaderSize + 2 * kSealedChunk, kSealedChunk, chunk(1));
    std::string dropped = good;
    dropped.erase(kStrongHeaderSize + kSealedChunk, kSealedChunk);
    // The last chunk (the one marked final) gone, the end mark kept.
    std::string droppedFinal = good;
    droppedFinal.erase(kStrongHeaderSize + 3 * kSealedChunk,
                       good.size() - 8 - kStrongHeaderSize - 3 * kSealedChunk);

    struct Case {
        const char* name;
        std::string bytes;
        const char* password;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"wrong-password", good, "Right", 2, "wrong password for"},
        {"empty-password", good, "", 2, "wrong password for"},
        {"flipped-magic", flipped(good, 1), "right", 1, "ends like a strong backup file"},
        {"flipped-version", flipped(good, 8), "right", 1, "does not match the header's checksum"},
        {"flipped-params", flipped(good, 12), "right", 1, "does not match the header's checksum"},
        {"flipped-salt", flipped(good, 30), "right", 1, "does not match the header's checksum"},
        {"flipped-key-check", flipped(good, 50), "right", 1, "does not match the header's checksum"},
        {"flipped-stream-header", flipped(good, 80), "right", 1, "does not match the header's checksum"},
        {"forged-newer-version", forgedHeader(good, 8, "\x02"), "right", 1, "format version 2"},
        {"forged-opslimit-above-cap", forgedHeader(good, 12, le(0xFFFFFFFF, 4)), "right", 1,
         "above Tessaly's limits (opslimit 4294967295"},
        {"forged-memlimit-above-cap", forgedHeader(good, 16, le(std::uint64_t{2} << 30, 8)), "right", 1,
         "above Tessaly's limits"},
        {"forged-work-above-cap", forgedHeader(good, 12, le(4, 4) + le(std::uint64_t{1} << 30, 8)), "right",
         1, "above Tessaly's limits (opslimit 4, memlimit 1073741824 bytes)"},
        {"forged-unknown-kdf", forgedHeader(good, 9, "\x07"), "right", 1, "names a key derivation (7) that"},
        {"forged-reserved", forgedHeader(good, 11, "\x01"), "right", 1, "uses its header's reserved field"},
        {"shorter-than-a-strong-file", good.substr(0, kStrongHeaderSize + 20), "Right", 1,
         "is 132 bytes long, shorter than the shortest strong backup file (137 bytes)"},
        {"middle-chunk-push",
         forgeStrong(archive, "right",
                     {{kStrongChunk, 0},
                      {kStrongChunk, 1},
                      {kStrongChunk, 0},
                      {archive.size() - 3 * kStrongChunk, 3}}),
         "right", 1,
         "chunk 2 of its encrypted data (at byte 65665) carries the tag 1 where the format allows only"},
        {"last-chunk-a-full-piece",
         forgeStrong(archive.substr(0, 2 * kStrongChunk), "right", {{kStrongChunk, 0}, {kStrongChunk, 3}}),
         "right", 1,
         "its last chunk (chunk 2, at byte 65665) is 65553 bytes long, more than a last chunk can hold "
         "(65552)"},
        {"forged-memlimit-below-minimum", forgedHeader(good, 16, le(4096, 8)), "right", 1,
         "below the library's minimum"},
        {"forged-salt", forgedHeader(good, 24, "0123456789abcdef"), "right", 2, "wrong password for"},
        {"flipped-first-chunk", flipped(good, kStrongHeaderSize + 100), "right", 1,
         "chunk 1 of its encrypted"},
        {"flipped-middle-chunk", flipped(good, kStrongHeaderSize + 2 * kSealedChunk + 9), "right", 1,
         "chunk 3 of its encrypted"},
        {"flipped-last-chunk", flipped(good, good.size() - 12), "right", 1, "chunk 4 of its encrypted"},
        {"swapped-chunks", swapped, "right", 1, "chunk 2 of its encrypted data (at byte 65665) fails"},
        {"dropped-chunk", dropped, "right", 1, "chunk 2 of its encrypted data"},
        {"dropped-final-chunk", droppedFinal, "right", 1,
         "cut short: it ends after chunk 3, before its last chunk"},
        {"cut-inside-header", good.substr(0, 60), "right", 1, "cut short inside its header"},
        {"zero-length-body", good.substr(0, kStrongHeaderSize), "right", 1,
         "no encrypted data after its header"},
        {"cut-at-chunk-boundary", good.substr(0, kStrongHeaderSize + 2 * kSealedChunk), "right", 1,
         "cut short: its encrypted data ends inside chunk 2"},
        {"cut-between-boundaries", good.substr(0, kStrongHeaderSize + kSealedChunk + 1000), "right", 1,
         "cut short: its encrypted data ends inside chunk 2"},
        {"end-mark-missing", good.substr(0, good.size() - 8), "right", 1, "cut short"},
        {"flipped-end-mark", flipped(good, good.size() - 3), "right", 1, "end mark after the last chunk"},
        {"appended-bytes", good + "junk", "right", 1, "has 4 bytes added after its end"},
        {"appended-byte", good + "j", "right", 1, "has 1 byte added after its end"},
        {"appended-chunk", good + chunk(1), "right", 1, "has 65553 bytes added after its end"},
    };
    for (const Case& c : cases) {
        std::filesystem::path file = dir / (std::string(c.name) + ".tsy");
        writeFile(file, c.bytes);
        std::filesystem::path tmp = dir / "tmp";
        std::filesystem::create_directories(tmp);
        for (const auto& [verb, r] : test::verifyAndExtract(
                 file, dir / "out", {{"TESSALY_PASSWORD", c.password}, {"TMPDIR", tmp.string()}})) {
            EXPECT_EQ(r.exitCode, c.exitCode) << c.name << " " << verb << ": " << r.err;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << " " << verb << ": " << r.err;
            EXPECT_EQ(r.out.find("ok   password"), std::string::npos) << c.name;
        }
        // Neither the destination nor the working folders keep any plain data.
        EXPECT_TRUE(!std::filesystem::exists(dir / "out") || std::filesystem::is_empty(dir / "out"))
            << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(tmp)) << c.name;
        EXPECT_EQ(readFile(file), c.bytes) << c.name;
    }
    // The intact file opens, as a control for the table.
    for (const auto& [verb, r] :
         test::verifyAndExtract(dir / "good.tsy", dir / "ok", {{"TESSALY_PASSWORD", "right"}}))
        EXPECT_EQ(r.exitCode, 0) << verb << ": " << r.out << r.err;
}

} // namespace
} // namespace tessaly

// IndependentReaderTest.cpp -- a reader written from docs/FORMAT.md alone (tsy_reader.py) and tessaly-cli
// verify and extract must accept and refuse the very same files, valid and crafted, of both formats.
#include "backupfile/Scrambler.h"
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
using test::runProgram;
using test::TempDir;
using test::writeFile;

constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kPush = crypto_secretstream_xchacha20poly1305_TAG_PUSH;
constexpr unsigned char kRekey = crypto_secretstream_xchacha20poly1305_TAG_REKEY;
constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;
constexpr size_t kSealedChunk = kStrongChunk + 17;

// A zip archive padded with an archive comment to a whole number of 64 KiB pieces.
std::string paddedToPieces(std::string zip) {
    size_t pad = (kStrongChunk - zip.size() % kStrongChunk) % kStrongChunk;
    zip.replace(zip.size() - 2, 2, le(pad, 2));
    return zip + std::string(pad, ' ');
}

std::string replaced(std::string file, size_t offset, char c) {
    file[offset] = c;
    return file;
}

TEST(IndependentReader, AgreesWithTessalyOnEveryValidAndCraftedFile) {
    TempDir dir;
    const std::string small = test::strongTestArchive(dir / "small.zip", 3000),
                      large = test::strongTestArchive(dir / "large.zip", 3 * kStrongChunk + 5000),
                      exact = paddedToPieces(test::strongTestArchive(dir / "exact.zip", 2 * kStrongChunk));
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
    const std::string header = strong.substr(0, kStrongHeaderSize);

    struct Case {
        const char* name;
        std::string bytes;
        const char* password;
        int exitCode;
        const std::string* archive; // what an accepting reader must give back
    };
    const std::vector<Case> cases = {
        {"strong-small", sealed("small.zip", "right"), "right", 0, &small},
        {"strong-four-chunks", strong, "right", 0, &large},
        {"strong-empty-last-chunk", sealed("exact.zip", "right"), "right", 0, &exact},
        {"strong-forged-as-documented", forgeStrong(large, "right"), "right", 0, &large},
        {"compatible", compatible, "right", 0, &large},
        {"compatible-no-password", scrambled("small.zip", ""), "", 0, &small},
        {"compatible-last-byte-not-compared", flipped(compatible, compatible.size() - 1), "right", 0, &large},
        {"strong-wrong-password", strong, "Right", 2, nullptr},
        {"strong-empty-password", strong, "", 2, nullptr},
        {"middle-chunk-push",
         forgeStrong(large, "right",
                     {{65536, kMessage}, {65536, kPush}, {65536, kMessage}, {L - 3 * 65536, kFinal}}),
         "right", 1, nullptr},
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
         "right", 1, nullptr},
        {"last-chunk-above-a-piece",
         forgeStrong(large, "right", {{65536, kMessage}, {65536, kMessage}, {L - 2 * 65536, kFinal}}),
         "right", 1, nullptr},
        {"short-first-chunk", forgeStrong(large, "right", {{1000, kMessage}, {L - 1000, kFinal}}), "right", 1,
         nullptr},
        {"forged-reserved", forgedHeader(strong, 10, "\x01"), "right", 1, nullptr},
        {"forged-version", forgedHeader(strong, 8, "\x02"), "right", 1, nullptr},
        {"forged-kdf", forgedHeader(strong, 9, "\x02"), "right", 1, nullptr},
        {"flipped-checksum", flipped(strong, 100), "right", 1, nullptr},
        {"work-above-cap", forgedHeader(strong, 12, le(13, 4) + le(std::uint64_t{256} << 20, 8)), "right", 1,
         nullptr},
        {"memlimit-above-cap", forgedHeader(strong, 12, le(1, 4) + le(std::uint64_t{512} << 20, 8)), "right",
         1, nullptr},
        {"opslimit-zero", forgedHeader(strong, 12, le(0, 4)), "right", 1, nullptr},
        {"shorter-than-a-strong-file", strong.substr(0, kStrongHeaderSize + 24), "Right", 1, nullptr},
        {"header-only", header, "Right", 1, nullptr},
        {"cut-inside-header", strong.substr(0, 90), "right", 1, nullptr},
        {"flipped-magic", flipped(strong, 2), "right", 1, nullptr},
        {"flipped-chunk", flipped(strong, kStrongHeaderSize + kSealedChunk + 7), "right", 1, nullptr},
        {"dropped-chunk", std::string(strong).erase(kStrongHeaderSize, kSealedChunk), "right", 1, nullptr},
        {"one-byte-added", strong + "x", "right", 1, nullptr},
        {"flipped-end-mark", flipped(strong, strong.size() - 5), "right", 1, nullptr},
        {"compatible-wrong-password", compatible, "Right", 2, nullptr},
        {"compatible-digest-changed",
         replaced(compatible, compatible.size() - 33, compatible[compatible.size() - 33] == 'a' ? 'b' : 'a'),
         "right", 2, nullptr},
        {"compatible-trailer-not-hex", replaced(compatible, compatible.size() - 10, 'x'), "Right", 1,
         nullptr},
        {"compatible-32-bytes", compatible.substr(compatible.size() - 32), "right", 1, nullptr},
    };
    const std::filesystem::path plain = dir / "plain.zip";
    for (const Case& c : cases) {
        const std::filesystem::path file = dir / (std::string(c.name) + ".tsy");
        writeFile(file, c.bytes);
        std::map<std::string, std::optional<std::string>> env = {{"TESSALY_PASSWORD", c.password}};
        std::filesystem::remove(plain);
        auto own = runProgram({PYTHON3, TSY_READER, file.string(), plain.string()}, env);
        EXPECT_EQ(own.exitCode, c.exitCode) << c.name << " independent reader: " << own.err;
        if (c.archive && own.exitCode == 0) {
            EXPECT_EQ(readFile(plain), *c.archive) << c.name;
        }
        std::filesystem::remove_all(dir / "out");
        for (const auto& [verb, r] : test::verifyAndExtract(file, dir / "out", env))
            EXPECT_EQ(r.exitCode, c.exitCode) << c.name << " " << verb << ": " << r.out << r.err;
        if (c.archive) {
            EXPECT_EQ(readFile(dir / "out" / "a.htm"), test::noise(memberSize.at(c.archive), 7)) << c.name;
        }
    }
}

} // namespace
} // namespace tessaly

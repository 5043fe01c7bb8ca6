// ScramblerTest.cpp -- the runtime's generator, the password trailer and scrambling round trips.
#include "backupfile/Scrambler.h"
#include "backupfile/BackupContainer.h"
#include "backupfile/ScrambledInput.h"
#include "backupfile/VbRandom.h"

#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(VbRandomTest, MatchesTheRuntimesPublishedValues) {
    VbRandom fresh;
    for (float expected : {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f})
        EXPECT_FLOAT_EQ(fresh.next(), expected);
    VbRandom restarted;
    EXPECT_EQ(restarted.restart(-1.0), 0.2240070104598999f);
}

// The table is filled by the eight-lane keystream; it must give what the generator gives one step per
// byte, leave the generator where those steps would, refuse bytes past a short table's end (a wrap to
// its start would scramble with the wrong bytes) and, past one period, go on exactly as the generator
// does, whether the wrap falls between chunks or inside one call.
TEST(VbRandomTest, KeystreamTableEqualsOneStepGenerator) {
    VbRandom slow, fast;
    slow.restart(-1234.0);
    fast.restart(-1234.0);
    KeystreamTable shortTable(fast, 100);
    std::string expected(100, '\0'), data(100, '\0');
    for (char& c : expected)
        c = static_cast<char>(slow.nextByte());
    EXPECT_EQ(fast.next(), slow.next());
    shortTable.xorAt(0, data.data(), 100);
    EXPECT_EQ(data, expected);
    for (auto [position, n] :
         {std::pair<std::uint64_t, std::size_t>{90, 11}, {100, 1}, {101, 0}, {1ull << 40, 4}}) {
        std::string buf(n, '\0');
        EXPECT_THROW(shortTable.xorAt(position, buf.data(), n), std::out_of_range) << position;
    }

    const std::uint64_t period = KeystreamTable::kPeriod;
    const double seed = -static_cast<double>(passwordSeed("wrap", CodePage(1252)));
    slow.restart(seed);
    fast.restart(seed);
    expected.assign(period + 3 * kScrambleChunk + 5, '\0');
    for (char& c : expected)
        c = static_cast<char>(slow.nextByte());
    KeystreamTable table(fast, expected.size());
    for (std::uint64_t at : {std::uint64_t(0), period - 7, period, 2 * period + 1000}) {
        data.assign(20, '\0');
        table.xorAt(at, data.data(), data.size());
        EXPECT_EQ(data, expected.substr(static_cast<size_t>(at % period), 20)) << at;
    }

    TempDir dir;
    test::RecordingUi ui;
    writeFile(dir / "zeros.tsy", std::string(expected.size(), '\0'));
    ScrambleFile(dir / "zeros.tsy", "wrap", true, {}, CodePage(1252), ui);
    std::string scrambled = readFile(dir / "zeros.tsy");
    ASSERT_EQ(scrambled.size(), expected.size() + kTrailerSize);
    EXPECT_TRUE(scrambled.compare(0, expected.size(), expected) == 0);
}

TEST(PasswordKeyTest, SeedAndDigestOfKnownPasswords) {
    CodePage cp(1252);
    // "RW.JT": 256 x (1x82 + 2x87 + 3x46 + 4x74 + 5x84).
    EXPECT_EQ(passwordSeed("", cp), 284160);
    // Characters above 127 count with their code-page byte, and long keys wrap to 32 bits.
    // 256 x (1x233 + 2x82 + 3x87 + 4x46 + 5x74 + 6x84): "\xe9" is one byte in code page 1252.
    EXPECT_EQ(passwordSeed("\xc3\xa9", cp), 439296);
    // 5000 'z' and the salt sum to 390955804160, which is 113780224 modulo 2^32.
    EXPECT_EQ(passwordSeed(std::string(5000, 'z'), cp), 113780224);
}

// Every digest position counts, and what is not a file is no backup (the rest of the trailer's rules
// are run end to end by the independent reader's test).
TEST(CheckPasswordTest, TrailerRules) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    writeFile(dir / "a.tsy", "PK archive bytes");
    ScrambleFile(dir / "a.tsy", "Secret", true, {}, cp, ui);
    EXPECT_TRUE(CheckPassword("Secret", dir / "a.tsy", cp));
    EXPECT_EQ(detectProtection(dir / "a.tsy"), Protection::Compatible);
    EXPECT_FALSE(CheckPassword("secret", dir / "a.tsy", cp));
    EXPECT_FALSE(CheckPassword("", dir / "a.tsy", cp));
    const std::string bytes = readFile(dir / "a.tsy");
    ASSERT_EQ(bytes.size(), 16u + 33u);
    for (size_t i : {16u, 30u, 47u}) {
        std::string damaged = bytes;
        damaged[i] = damaged[i] == 'a' ? 'b' : 'a';
        writeFile(dir / "d.tsy", damaged);
        EXPECT_FALSE(CheckPassword("Secret", dir / "d.tsy", cp)) << i;
    }
    EXPECT_FALSE(CheckPassword("Secret", dir / "missing.tsy", cp));
    EXPECT_FALSE(CheckPassword("Secret", dir.path(), cp));
}

TEST(ScrambleFileTest, RoundTripsAcrossChunkBoundaries) {
    CodePage cp(1252);
    for (size_t size : {size_t(0), size_t(1), kScrambleChunk - 1, kScrambleChunk, kScrambleChunk + 1,
                        3 * kScrambleChunk + 77}) {
        TempDir dir;
        test::RecordingUi ui;
        const std::string archive = test::noise(size, 4);
        writeFile(dir / "b.tsy", archive);
        ScrambleFile(dir / "b.tsy", "p\xc3\xa4ss", true, {}, cp, ui);
        std::string scrambled = readFile(dir / "b.tsy");
        EXPECT_EQ(scrambled.size(), size + 33);
        EXPECT_FALSE(std::filesystem::exists(dir / "b.tsyE"));
        size_t chunks = (size + kScrambleChunk - 1) / kScrambleChunk;
        EXPECT_EQ(ui.pumps, static_cast<int>(chunks)) << size;
        ASSERT_FALSE(ui.progressValues.empty());
        EXPECT_EQ(ui.progressValues.back(), 0);
        if (size) {
            EXPECT_EQ(ui.progressValues[ui.progressValues.size() - 2], 100);
        }
        EXPECT_FALSE(ui.progressVisible);

        ScrambleFile(dir / "b.tsy", "p\xc3\xa4ss", false, dir / "plain.zip", cp, ui);
        EXPECT_EQ(readFile(dir / "plain.zip"), archive) << size;
        EXPECT_EQ(readFile(dir / "b.tsy"), scrambled); // reading leaves the backup file alone
    }
}

// Reads in the order libzip makes them (a header, data read on, a jump back) must give the plain bytes,
// across the input's window edges and the keystream's period.
TEST(ScrambledInputTest, AnyRangeReadsAsThePlainArchive) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    const std::string plain = test::noise((17u << 20) + 5, 9);
    writeFile(dir / "b.tsy", plain);
    ScrambleFile(dir / "b.tsy", "pw", true, {}, cp, ui);
    ScrambledInput input(dir / "b.tsy", "pw", cp);
    ASSERT_EQ(input.size(), plain.size());
    const std::size_t k = 1024;
    const std::pair<std::uint64_t, std::size_t> reads[] = {{plain.size() - 22, 22},
                                                           {7, 30},
                                                           {37, 16 * k},
                                                           {37 + 16 * k, 8 * k},
                                                           {(1u << 20) - 3, 9},
                                                           {(16u << 20) - 5, 4 * k},
                                                           {5, 3 * (1u << 20)},
                                                           {0, plain.size()}};
    for (const auto& [at, n] : reads) {
        std::string got(n, '\0');
        input.readAt(at, got.data(), n);
        EXPECT_TRUE(got == plain.substr(at, n)) << at << " + " << n;
    }
}

TEST(ScrambleFileTest, FailureLeavesTheArchiveAndReportsIt) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    writeFile(dir / "c.tsy", "archive");
    // The scrambled copy cannot be created: a folder stands in its way.
    std::filesystem::create_directory(dir / "c.tsyE");
    EXPECT_THROW(ScrambleFile(dir / "c.tsy", "", true, {}, cp, ui), ScrambleError);
    EXPECT_EQ(readFile(dir / "c.tsy"), "archive");
    EXPECT_THROW(ScrambleFile(dir / "c.tsy", "", false, dir / "no" / "such" / "dir.zip", cp, ui),
                 ScrambleError);
    // A file that is not there is left alone, as before.
    EXPECT_NO_THROW(ScrambleFile(dir / "missing.tsy", "", true, {}, cp, ui));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.tsy"));
}

} // namespace
} // namespace tessaly

// ScramblerTest.cpp -- the runtime's generator, the password trailer and scrambling round trips.
#include "backupfile/Scrambler.h"
#include "backupfile/VbRandom.h"

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

TEST(VbRandomTest, FastKeystreamEqualsOneStepPerByte) {
    for (size_t n : {0u, 1u, 7u, 8u, 9u, 64u, 1000u, 32771u}) {
        VbRandom fast, slow;
        fast.restart(-439296.0);
        slow.restart(-439296.0);
        std::string data(n, '\x5a');
        fast.xorKeystream(data.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(static_cast<unsigned char>(data[i]), 0x5a ^ slow.nextByte()) << n << " at " << i;
        // Both go on from the same state.
        EXPECT_EQ(fast.next(), slow.next()) << n;
    }
}

// Scrambling walks a table of one generator period; past the period it must go on exactly as the
// generator does, whether the wrap falls between chunks or inside one call.
TEST(VbRandomTest, ShortKeystreamTableRefusesBytesPastItsEnd) {
    VbRandom slow, fast;
    slow.restart(-1234.0);
    fast.restart(-1234.0);
    KeystreamTable table(fast, 100);
    std::string expected(100, '\0'), data(100, '\0');
    for (char& c : expected)
        c = static_cast<char>(slow.nextByte());
    table.xorAt(0, data.data(), 100);
    EXPECT_EQ(data, expected);
    // Past the end there is no keystream: a wrap to the table's start would scramble with the wrong bytes.
    struct Range {
        std::uint64_t position;
        std::size_t n;
    };
    for (Range r : {Range{90, 11}, Range{100, 1}, Range{101, 0}, Range{std::uint64_t{1} << 40, 4}}) {
        std::string buf(r.n, '\0');
        EXPECT_THROW(table.xorAt(r.position, buf.data(), buf.size()), std::out_of_range) << r.position;
    }
    std::string last(1, '\0');
    table.xorAt(99, last.data(), 1);
    EXPECT_EQ(last[0], expected[99]);
}

TEST(VbRandomTest, KeystreamTableEqualsOneStepGeneratorAcrossThePeriod) {
    const std::uint64_t period = KeystreamTable::kPeriod;
    const double seed = -static_cast<double>(passwordSeed("wrap", CodePage(1252)));
    VbRandom slow;
    slow.restart(seed);
    std::string expected(period + 3 * kScrambleChunk + 5, '\0');
    for (char& c : expected)
        c = static_cast<char>(slow.nextByte());

    VbRandom fast;
    fast.restart(seed);
    KeystreamTable table(fast, expected.size());
    for (std::uint64_t at : {std::uint64_t(0), period - 7, period, 2 * period + 1000}) {
        std::string data(20, '\0');
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
    EXPECT_EQ(passwordDigest("", cp), "3f19b8b3b6762352dde89f4f5c6f8f0a");
    EXPECT_EQ(passwordDigest("secret", cp), "ee036f94efd5109abf446bff3ba23f77");
    // Characters above 127 count with their code-page byte, and long keys wrap to 32 bits.
    // 256 x (1x233 + 2x82 + 3x87 + 4x46 + 5x74 + 6x84): "\xe9" is one byte in code page 1252.
    EXPECT_EQ(passwordSeed("\xc3\xa9", cp), 439296);
    std::string longPassword(5000, 'z');
    std::int64_t wide = 0;
    std::string key = longPassword + "RW.JT";
    for (size_t i = 0; i < key.size(); ++i)
        wide += static_cast<std::int64_t>(i + 1) * static_cast<unsigned char>(key[i]) * 256;
    EXPECT_EQ(passwordSeed(longPassword, cp), static_cast<std::int32_t>(static_cast<std::uint32_t>(wide)));
}

TEST(CheckPasswordTest, TrailerRules) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    writeFile(dir / "a.tsy", "PK archive bytes");
    ScrambleFile(dir / "a.tsy", "Secret", true, {}, cp, ui);
    EXPECT_TRUE(CheckPassword("Secret", dir / "a.tsy", cp));
    EXPECT_FALSE(CheckPassword("secret", dir / "a.tsy", cp));
    EXPECT_FALSE(CheckPassword("", dir / "a.tsy", cp));
    std::string bytes = readFile(dir / "a.tsy");
    ASSERT_EQ(bytes.size(), 16u + 33u);
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(bytes.substr(16, 32).find_first_not_of("0123456789abcdef"), std::string::npos);
    for (size_t i : {16u, 30u, 47u}) {
        std::string damaged = bytes;
        damaged[i] = damaged[i] == 'a' ? 'b' : 'a';
        writeFile(dir / "d.tsy", damaged);
        EXPECT_FALSE(CheckPassword("Secret", dir / "d.tsy", cp)) << i;
    }
    std::string lastChanged = bytes;
    lastChanged.back() = 'X';
    writeFile(dir / "l.tsy", lastChanged);
    EXPECT_TRUE(CheckPassword("Secret", dir / "l.tsy", cp));
    writeFile(dir / "short.tsy", bytes.substr(bytes.size() - 32));
    EXPECT_FALSE(CheckPassword("Secret", dir / "short.tsy", cp));
    EXPECT_FALSE(CheckPassword("Secret", dir / "missing.tsy", cp));
    EXPECT_FALSE(CheckPassword("Secret", dir.path(), cp));

    writeFile(dir / "open.tsy", "x");
    ScrambleFile(dir / "open.tsy", "", true, {}, cp, ui);
    EXPECT_TRUE(CheckPassword("", dir / "open.tsy", cp));
}

TEST(ScrambleFileTest, RoundTripsAcrossChunkBoundaries) {
    CodePage cp(1252);
    for (size_t size : {size_t(0), size_t(1), kScrambleChunk - 1, kScrambleChunk, kScrambleChunk + 1,
                        3 * kScrambleChunk + 77}) {
        TempDir dir;
        test::RecordingUi ui;
        std::string archive(size, '\0');
        for (size_t i = 0; i < size; ++i)
            archive[i] = static_cast<char>((i * 131 + 7) & 0xFF);
        writeFile(dir / "b.tsy", archive);
        ScrambleFile(dir / "b.tsy", "p\xc3\xa4ss", true, {}, cp, ui);
        std::string scrambled = readFile(dir / "b.tsy");
        EXPECT_EQ(scrambled.size(), size + 33);
        EXPECT_FALSE(std::filesystem::exists(dir / "b.tsyE"));
        if (size > 64) {
            EXPECT_NE(scrambled.substr(0, 64), archive.substr(0, 64));
        }
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

// MD5Test.cpp -- clsMD5 against RFC 1321's published digests and against coreutils md5sum.
#include "TempDir.h"
#include "digest/clsMD5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace tessaly {
namespace {

// The digest that coreutils computes for the same bytes: an independent implementation.
std::string md5sumOf(const std::string& bytes) {
    test::TempDir dir;
    auto file = dir / "message.bin";
    test::writeFile(file, bytes);
    std::string cmd = "md5sum '" + file.string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return "popen failed";
    char buf[128] = {};
    std::size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return std::string(buf, n).substr(0, 32);
}

struct Rfc1321Case {
    const char* text;
    const char* digest;
};

// Appendix A.5 of RFC 1321, digits as printed there.
const Rfc1321Case kRfcSuite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(MD5, MatchesRfc1321TestSuite) {
    clsMD5 md5;
    for (const auto& c : kRfcSuite)
        EXPECT_EQ(md5.MD5(c.text), c.digest) << "text \"" << c.text << "\"";
}

TEST(MD5, OutputIsAlwaysThirtyTwoLowerCaseHexDigits) {
    clsMD5 md5;
    for (const char* text : {"", "RW.JT", "secretRW.JT", "\xff\xfe\xfd"}) {
        std::string d = md5.MD5(text);
        ASSERT_EQ(d.size(), 32u);
        for (char ch : d)
            EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f')) << d;
    }
}

// Lengths around the padding boundaries (55/56, 63/64, 119/120) and beyond one block, with bytes
// from the whole 0..255 range, compared with md5sum.
TEST(MD5, AgreesWithMd5sumAcrossPaddingBoundaries) {
    std::mt19937 rng(1321);
    clsMD5 md5;
    for (std::size_t len : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 121u, 127u, 128u, 129u, 1000u}) {
        std::string bytes(len, '\0');
        for (auto& b : bytes)
            b = char(rng() & 0xff);
        EXPECT_EQ(md5.MD5(bytes), md5sumOf(bytes)) << "length " << len;
    }
}

TEST(MD5, AgreesWithMd5sumOnAMegabyte) {
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 2654435761u) >> 13);
    EXPECT_EQ(clsMD5().MD5(bytes), md5sumOf(bytes));
}

// A password with "é": its code-page 1252 byte (0xE9) is digested, which differs from the digest of
// the two UTF-8 bytes; the caller does the conversion.
TEST(MD5, DigestsTheAnsiByteOfANonAsciiCharacter) {
    const std::string ansi = "caf\xe9RW.JT";
    const std::string utf8 = "caf\xc3\xa9RW.JT";
    clsMD5 md5;
    EXPECT_EQ(md5.MD5(ansi), md5sumOf(ansi));
    EXPECT_NE(md5.MD5(ansi), md5.MD5(utf8));
}

TEST(MD5, NothingCarriesOverBetweenCalls) {
    clsMD5 md5;
    std::string first = md5.MD5("abc");
    md5.MD5(std::string(5000, 'x'));
    EXPECT_EQ(md5.MD5("abc"), first);
}

} // namespace
} // namespace tessaly

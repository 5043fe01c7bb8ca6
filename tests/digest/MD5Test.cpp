// MD5Test.cpp -- clsMD5 against RFC 1321's published digests and against coreutils md5sum.
#include "RunProgram.h"
#include "TempDir.h"
#include "digest/clsMD5.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tessaly {
namespace {

// The digest that coreutils computes for the same bytes: an independent implementation.
std::string md5sumOf(const std::string& bytes) {
    test::TempDir dir;
    test::writeFile(dir / "message.bin", bytes);
    return test::runProgram({"/usr/bin/env", "md5sum", (dir / "message.bin").string()}).out.substr(0, 32);
}

// Appendix A.5 of RFC 1321, digits as printed there (lower case).
TEST(MD5, MatchesRfc1321TestSuite) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    clsMD5 md5;
    for (const auto& [text, digest] : suite)
        EXPECT_EQ(md5.MD5(text), digest) << "text \"" << text << "\"";
}

// Lengths around the padding boundaries (55/56, 63/64, 119/120), beyond one block and a megabyte, with
// bytes from the whole 0..255 range; one object for all, so nothing may carry over between calls.
TEST(MD5, AgreesWithMd5sumAcrossPaddingBoundaries) {
    std::mt19937 rng(1321);
    clsMD5 md5;
    for (std::size_t len :
         {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 121u, 127u, 128u, 129u, 1000u, 1u << 20}) {
        std::string bytes(len, '\0');
        for (auto& b : bytes)
            b = char(rng() & 0xff);
        EXPECT_EQ(md5.MD5(bytes), md5sumOf(bytes)) << "length " << len;
    }
}

} // namespace
} // namespace tessaly

// clsMD5.cpp -- RFC 1321 MD5 over a byte string: padding, the 64 steps, lower-case hex output.
#include "digest/clsMD5.h"

#include <cstring>

namespace tessaly {

namespace {

constexpr std::uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Rotation amounts of the four rounds, four per round.
constexpr int kS[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::uint32_t rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

constexpr std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (~x & z);
}
constexpr std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & z) | (y & ~z);
}
constexpr std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
constexpr std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (x | ~z);
}

struct State {
    std::uint32_t a = 0x67452301, b = 0xefcdab89, c = 0x98badcfe, d = 0x10325476;

    void block(const std::uint8_t* p) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = std::uint32_t(p[4 * i]) | std::uint32_t(p[4 * i + 1]) << 8 |
                   std::uint32_t(p[4 * i + 2]) << 16 | std::uint32_t(p[4 * i + 3]) << 24;
        std::uint32_t A = a, B = b, C = c, D = d;
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int k;
            switch (i / 16) {
            case 0:
                f = F(B, C, D);
                k = i;
                break;
            case 1:
                f = G(B, C, D);
                k = (5 * i + 1) % 16;
                break;
            case 2:
                f = H(B, C, D);
                k = (3 * i + 5) % 16;
                break;
            default:
                f = I(B, C, D);
                k = (7 * i) % 16;
                break;
            }
            std::uint32_t next = B + rotl(A + f + x[k] + kT[i], kS[i / 16][i % 4]);
            A = D;
            D = C;
            C = B;
            B = next;
        }
        a += A;
        b += B;
        c += C;
        d += D;
    }
};

void putLe(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[i] = std::uint8_t(v >> (8 * i));
}

} // namespace

std::array<std::uint8_t, 16> clsMD5::digest(std::string_view bytes) {
    State s;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t whole = bytes.size() / 64 * 64;
    for (std::size_t off = 0; off < whole; off += 64)
        s.block(data + off);

    // The tail, the 0x80 byte, zeros up to 56 mod 64, then the length in bits (little-endian).
    std::uint8_t tail[128] = {};
    std::size_t rest = bytes.size() - whole;
    if (rest)
        std::memcpy(tail, data + whole, rest);
    tail[rest] = 0x80;
    std::size_t tailLen = rest < 56 ? 64 : 128;
    std::uint64_t bits = std::uint64_t(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailLen - 8 + i] = std::uint8_t(bits >> (8 * i));
    for (std::size_t off = 0; off < tailLen; off += 64)
        s.block(tail + off);

    std::array<std::uint8_t, 16> out;
    putLe(out.data(), s.a);
    putLe(out.data() + 4, s.b);
    putLe(out.data() + 8, s.c);
    putLe(out.data() + 12, s.d);
    return out;
}

std::string clsMD5::MD5(std::string_view sMessage) const {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(32);
    for (std::uint8_t byte : digest(sMessage)) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

} // namespace tessaly

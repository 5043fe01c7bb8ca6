// VbRandom.cpp -- restarting the runtime's generator from a number.
#include "backupfile/VbRandom.h"

#include <cstring>

namespace tessaly {

float VbRandom::restart(double argument) {
    float f = static_cast<float>(argument);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    x_ = (bits + (bits >> 24)) & 0xFFFFFFu;
    return next();
}

void VbRandom::xorKeystream(char* data, std::size_t n) {
    // Eight interleaved lanes, each stepping eight states at once: x[k+8] = A8 * x[k] + C8 (mod 2^24).
    constexpr std::uint32_t kA = 0x43FD43FDu, kC = 0xC39EC3u;
    std::uint32_t a8 = 1, c8 = 0;
    for (int i = 0; i < 8; ++i) {
        c8 = (c8 * kA + kC) & 0xFFFFFFu;
        a8 = (a8 * kA) & 0xFFFFFFu;
    }
    std::size_t i = 0;
    if (n >= 8) {
        std::uint32_t lane[8];
        for (std::uint32_t& l : lane) {
            step();
            l = x_;
        }
        for (;;) {
            for (int k = 0; k < 8; ++k)
                data[i + k] = static_cast<char>(data[i + k] ^ static_cast<char>(lane[k] >> 16));
            i += 8;
            x_ = lane[7];
            if (n - i < 8)
                break;
            for (std::uint32_t& l : lane)
                l = (l * a8 + c8) & 0xFFFFFFu;
        }
    }
    for (; i < n; ++i)
        data[i] = static_cast<char>(data[i] ^ nextByte());
}

} // namespace tessaly

// VbRandom.h -- the platform runtime's pseudo-random generator, bit for bit, for the backup keystream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

// A 24-bit linear congruential generator; values are x / 2^24 as single-precision numbers.
class VbRandom {
public:
    // A fresh generator, as the runtime starts it.
    VbRandom() = default;

    // Restarts the sequence from a number, as a call with a negative argument does: the argument's
    // single-precision bits seed the state, then one step is taken and its value returned.
    float restart(double argument);
    // The next number of the sequence, 0 <= r < 1.
    float next() {
        step();
        return static_cast<float>(x_) / 16777216.0f;
    }
    // The next keystream byte: floor(next() * 256), which is the state's top eight bits.
    std::uint8_t nextByte() {
        step();
        return static_cast<std::uint8_t>(x_ >> 16);
    }

    // XORs the next n keystream bytes into data; the same as nextByte() per byte, eight steps at a time.
    void xorKeystream(char* data, std::size_t n);

private:
    std::uint32_t x_ = 0x50000;
    void step() { x_ = (x_ * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu; }
};

} // namespace tessaly

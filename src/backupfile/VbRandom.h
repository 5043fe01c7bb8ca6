// VbRandom.h -- the platform runtime's pseudo-random generator, bit for bit, for the backup keystream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

// The keystream from a generator's state as a table, so that XOR is a walk over memory. The
// generator has full period 2^24 (odd increment, multiplier 1 mod 4), so byte j of the keystream
// is table[j mod 2^24] and one period's table serves a stream of any length.
class KeystreamTable {
public:
    static constexpr std::uint64_t kPeriod = std::uint64_t(1) << 24;

    // Takes min(length, kPeriod) keystream bytes from rng, which moves past them. Positions up to
    // `length` may then be used; with length >= kPeriod, any position.
    KeystreamTable(VbRandom& rng, std::uint64_t length);

    ~KeystreamTable();
    KeystreamTable(const KeystreamTable&) = delete;
    KeystreamTable& operator=(const KeystreamTable&) = delete;

    // XORs keystream bytes position .. position + n - 1 into data. Throws std::out_of_range for bytes
    // past the table's length (when it is shorter than a period).
    void xorAt(std::uint64_t position, char* data, std::size_t n) const;

private:
    std::size_t size_;
    void* map_ = nullptr; // the mapping that holds the table, when it could be made
    std::size_t mapLength_ = 0;
    std::unique_ptr<unsigned char[]> owned_; // otherwise
    unsigned char* bytes_ = nullptr;
};

} // namespace tessaly

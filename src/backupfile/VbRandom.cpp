// VbRandom.cpp -- restarting the runtime's generator from a number.
#include "backupfile/VbRandom.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>
#include <stdexcept>
#include <string>
#include <sys/mman.h>

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

KeystreamTable::KeystreamTable(VbRandom& rng, std::uint64_t length)
    : size_(static_cast<std::size_t>(std::min(length, kPeriod))) {
    // In huge pages where the system has them: faulting in 16 MiB page by page can take longer than
    // computing the keystream. A fresh anonymous mapping reads as zeros.
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    if (size_ >= kHugePage) {
        mapLength_ = size_ + kHugePage;
        map_ = ::mmap(nullptr, mapLength_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map_ == MAP_FAILED) {
            map_ = nullptr;
        } else {
            auto at = (reinterpret_cast<std::uintptr_t>(map_) + kHugePage - 1) & ~(kHugePage - 1);
            bytes_ = reinterpret_cast<unsigned char*>(at);
            ::madvise(bytes_, size_, MADV_HUGEPAGE);
        }
    }
    if (!bytes_) {
        owned_.reset(new unsigned char[size_]());
        bytes_ = owned_.get();
    }
    rng.xorKeystream(reinterpret_cast<char*>(bytes_), size_);
}

KeystreamTable::~KeystreamTable() {
    // The table is the password's keystream: wiped like any other key material.
    if (bytes_)
        sodium_memzero(bytes_, size_);
    if (map_)
        ::munmap(map_, mapLength_);
}

void KeystreamTable::xorAt(std::uint64_t position, char* data, std::size_t n) const {
    // A short table holds only the stream's first size_ bytes: past them there is no keystream to give.
    if (size_ < kPeriod && (position > size_ || n > size_ - position))
        throw std::out_of_range("keystream bytes " + std::to_string(position) + " to " +
                                std::to_string(position + n) + " asked of a table of " +
                                std::to_string(size_));
    std::size_t at =
        size_ == kPeriod ? static_cast<std::size_t>(position % kPeriod) : static_cast<std::size_t>(position);
    auto* out = reinterpret_cast<unsigned char*>(data);
    while (n > 0) {
        std::size_t run = std::min(n, size_ - at);
        const unsigned char* key = bytes_ + at;
        for (std::size_t i = 0; i < run; ++i) // a plain loop the compiler turns into vector XORs
            out[i] ^= key[i];
        out += run;
        n -= run;
        at = 0;
    }
}

} // namespace tessaly

// SpoolCipher.cpp -- the process's spool key and the keystream at an offset.
#include "archive/SpoolCipher.h"

#include <sodium.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace tessaly {

namespace {

struct SodiumFree {
    void operator()(unsigned char* p) const { sodium_free(p); }
};

const unsigned char* spoolKey() {
    static const std::unique_ptr<unsigned char, SodiumFree> key = [] {
        if (sodium_init() < 0)
            throw std::runtime_error("the cryptography library cannot start");
        auto* k = static_cast<unsigned char*>(sodium_malloc(crypto_stream_xchacha20_KEYBYTES));
        if (!k)
            throw std::runtime_error("not enough memory for the spool key");
        crypto_stream_xchacha20_keygen(k);
        return std::unique_ptr<unsigned char, SodiumFree>(k);
    }();
    return key.get();
}

constexpr std::uint64_t kBlock = 64; // the stream's block, which its counter counts

} // namespace

static_assert(crypto_stream_xchacha20_NONCEBYTES == 24);

SpoolCipher::SpoolCipher() {
    spoolKey();
    randombytes_buf(nonce_.data(), nonce_.size());
}

void SpoolCipher::xorAt(std::uint64_t offset, unsigned char* data, std::size_t n) const {
    const unsigned char* key = spoolKey();
    if (std::uint64_t within = offset % kBlock; within != 0 && n > 0) {
        unsigned char block[kBlock] = {};
        crypto_stream_xchacha20_xor_ic(block, block, kBlock, nonce_.data(), offset / kBlock, key);
        const std::size_t take = std::min<std::size_t>(n, std::size_t(kBlock - within));
        for (std::size_t i = 0; i < take; ++i)
            data[i] ^= block[within + i];
        sodium_memzero(block, sizeof block);
        data += take;
        n -= take;
        offset += take;
    }
    if (n > 0)
        crypto_stream_xchacha20_xor_ic(data, data, n, nonce_.data(), offset / kBlock, key);
}

} // namespace tessaly

// SpoolCipher.h -- spool files are encrypted with a key that lives only in this process, so that a run
// killed while it compresses leaves nothing readable in the temporary folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessaly {

// XChaCha20 at any offset (libsodium's stream with a block counter), under the process's spool key
// (random, made on first use, in guarded memory, wiped at exit) and a nonce of its own per spool file.
// Applying it twice at the same offset gives the plain bytes back.
class SpoolCipher {
public:
    SpoolCipher();
    void xorAt(std::uint64_t offset, unsigned char* data, std::size_t n) const;

private:
    std::array<unsigned char, 24> nonce_;
};

} // namespace tessaly

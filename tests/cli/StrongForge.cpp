// StrongForge.cpp -- writing strong backup files with libsodium directly, from the documented layout.
#include "StrongForge.h"

#include <sodium.h>

#include <stdexcept>

namespace tessaly::test {

namespace {

constexpr std::size_t kPiece = 65536;

unsigned char* bytes(std::string& s) {
    return reinterpret_cast<unsigned char*>(s.data());
}

} // namespace

std::string le(std::uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i, v >>= 8)
        s += static_cast<char>(v & 0xFF);
    return s;
}

std::string forgedHeader(std::string file, std::size_t offset, const std::string& replacement) {
    file.replace(offset, replacement.size(), replacement);
    crypto_generichash(bytes(file) + 96, 16, bytes(file), 96, nullptr, 0);
    return file;
}

std::string forgeStrong(const std::string& archive, const std::string& password,
                        std::vector<ForgedChunk> chunks) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium does not start");
    if (chunks.empty()) {
        for (std::size_t at = 0; at + kPiece <= archive.size(); at += kPiece)
            chunks.push_back({kPiece, crypto_secretstream_xchacha20poly1305_TAG_MESSAGE});
        chunks.push_back({archive.size() % kPiece, crypto_secretstream_xchacha20poly1305_TAG_FINAL});
    }
    std::string h = std::string("\x89TSY\r\n\x1a\n", 8) + '\x01' + '\x01' + std::string(2, '\0') + le(1, 4) +
                    le(8192, 8) + std::string(88, '\0');
    randombytes_buf(bytes(h) + 24, 16);
    unsigned char master[32], streamKey[32];
    if (crypto_pwhash(master, 32, password.data(), password.size(), bytes(h) + 24, 1, 8192,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("crypto_pwhash failed");
    crypto_kdf_derive_from_key(streamKey, 32, 1, "TSYstrng", master);
    crypto_kdf_derive_from_key(bytes(h) + 40, 32, 2, "TSYstrng", master);
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, bytes(h) + 72, streamKey);
    crypto_generichash(bytes(h) + 96, 16, bytes(h), 96, nullptr, 0);
    std::string file = h;
    std::size_t at = 0;
    for (const ForgedChunk& c : chunks) {
        std::string piece = archive.substr(at, c.bytes), sealed(piece.size() + 17, '\0');
        bool first = at == 0 && &c == &chunks.front();
        crypto_secretstream_xchacha20poly1305_push(&state, bytes(sealed), nullptr, bytes(piece), piece.size(),
                                                   first ? bytes(h) : nullptr, first ? h.size() : 0, c.tag);
        file += sealed;
        at += c.bytes;
    }
    return file + std::string("TSYEND\xff\xff", 8);
}

} // namespace tessaly::test

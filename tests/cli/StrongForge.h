// StrongForge.h -- strong backup files made byte by byte from the documented format, with the freedom a
// forger has: any chunking, any tags, any header fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct ForgedChunk {
    std::size_t bytes; // archive bytes in this chunk
    unsigned char tag; // crypto_secretstream tag
};

// Seals `archive` under `password` (cheap Argon2id: opslimit 1, memlimit 8192). Without `chunks` the
// archive is cut as the format says: full MESSAGE chunks and a shorter FINAL chunk.
std::string forgeStrong(const std::string& archive, const std::string& password,
                        std::vector<ForgedChunk> chunks = {});

// The file with some header bytes replaced and the header checksum made right again.
std::string forgedHeader(std::string file, std::size_t offset, const std::string& bytes);

// `v` as `bytes` little-endian bytes.
std::string le(std::uint64_t v, int bytes);

} // namespace tessaly::test

// BlockDeflate.h -- a file compressed as one raw deflate stream made of independently compressed
// blocks, so that the blocks can be compressed on several threads at once.
#pragma once

#include "archive/SpoolCipher.h"
#include "archive/WorkerPool.h"
#include "platform/Ui.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tessaly {

// Uncompressed bytes per block. Block borders do not depend on the number of threads, so the stream
// is the same byte for byte however many made it. Starting each block afresh costs about a tenth of a
// percent of the compressed size at this length.
inline constexpr std::size_t kDeflateBlock = 1 << 20;

struct DeflatedFile {
    std::uint64_t size = 0;           // uncompressed bytes
    std::uint64_t compressedSize = 0; // bytes of the raw deflate stream
    std::uint32_t crc = 0;            // CRC-32 of the uncompressed bytes
    std::uint32_t compressedCrc = 0;  // CRC-32 of the raw deflate stream
};

// Compresses `file` (deflate, the compressor's default level) into a new file `out` holding only the
// raw deflate stream, encrypted with `cipher` at its offsets. The blocks go to `pool` when given, otherwise
// the calling thread compresses them; either way this returns when the file has been read completely. Memory
// stays a few blocks per thread. The Ui, when given, is called from the calling thread only: it hears the
// bytes done under `displayName`, and a stop request ends the work with RunStopped. Throws ArchiveError
// kErrZipEngine; `out` is removed on any failure.
DeflatedFile deflateFile(const std::filesystem::path& file, const std::filesystem::path& out,
                         const SpoolCipher& cipher, WorkerPool* pool, Ui* ui, const std::string& displayName);

// Makes a complete raw deflate stream joinable to the one after it: the final-block bit of its last
// block is cleared and an empty stored block ends it on a byte boundary, as a sync flush would.
// False when `stream` is not one complete deflate stream.
bool makeJoinable(std::vector<unsigned char>& stream);

} // namespace tessaly

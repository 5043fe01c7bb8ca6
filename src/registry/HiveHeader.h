// HiveHeader.h -- the base block of a Windows registry hive file: checked before the hive is read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaly {

// A hive file that cannot be read; the message names the file and says what is wrong with it.
class HiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HiveHeader {
    std::uint32_t primarySequence = 0;
    std::uint32_t secondarySequence = 0;
    std::uint64_t hiveBinsSize = 0; // bytes of hive bins after the 4096-byte base block
    std::uint64_t fileSize = 0;
    // Windows was writing the hive when it stopped: changes are still in its .LOG files.
    bool dirty() const { return primarySequence != secondarySequence; }
};

inline constexpr std::size_t kHiveBaseBlockSize = 4096;

// The XOR of the first 508 bytes of the base block taken as 32-bit little-endian words.
std::uint32_t hiveHeaderChecksum(const unsigned char* baseBlock);

// Reads and checks the base block (signature, version, checksum, that the file holds all the hive
// bins the header announces). Throws HiveError naming the file for anything that is wrong.
HiveHeader readHiveHeader(const std::filesystem::path& file);

// The warning for a dirty hive, naming the file.
std::string dirtyHiveWarning(const std::filesystem::path& file);

} // namespace tessaly

// HiveHeader.cpp -- reading and checking the base block of a registry hive file.
#include "registry/HiveHeader.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

[[noreturn]] void refuse(const std::filesystem::path& file, const std::string& why) {
    throw HiveError("The registry hive " + file.string() + " cannot be read: " + why +
                    ". Nothing was read from it.");
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::uint32_t hiveHeaderChecksum(const unsigned char* baseBlock) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4)
        sum ^= le32(baseBlock + i);
    return sum;
}

HiveHeader readHiveHeader(const std::filesystem::path& file) {
    Fd f{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0)
        refuse(file, std::strerror(errno));
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        refuse(file, std::strerror(errno));
    std::array<unsigned char, kHiveBaseBlockSize> block{};
    std::size_t got = 0;
    while (got < block.size()) {
        ssize_t n = ::read(f.fd, block.data() + got, block.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            refuse(file, std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got < 4 || std::memcmp(block.data(), "regf", 4) != 0)
        refuse(file, "it is not a Windows registry hive (no \"regf\" signature)");
    if (got < block.size())
        refuse(file, "it is cut short inside its header block (" + std::to_string(got) + " bytes)");
    if (le32(block.data() + 0x14) != 1)
        refuse(file, "it is of an unknown format version " + std::to_string(le32(block.data() + 0x14)));
    if (hiveHeaderChecksum(block.data()) != le32(block.data() + 0x1FC))
        refuse(file, "its header block is damaged (wrong checksum)");
    HiveHeader h;
    h.primarySequence = le32(block.data() + 0x04);
    h.secondarySequence = le32(block.data() + 0x08);
    h.hiveBinsSize = le32(block.data() + 0x28);
    h.fileSize = static_cast<std::uint64_t>(st.st_size);
    if (h.hiveBinsSize == 0 || h.hiveBinsSize % 4096 != 0)
        refuse(file, "its header block announces " + std::to_string(h.hiveBinsSize) +
                         " bytes of data, which no hive holds");
    if (h.fileSize < kHiveBaseBlockSize + h.hiveBinsSize)
        refuse(file, "it is cut short: its header announces " +
                         std::to_string(kHiveBaseBlockSize + h.hiveBinsSize) + " bytes, the file holds " +
                         std::to_string(h.fileSize));
    return h;
}

std::string dirtyHiveWarning(const std::filesystem::path& file) {
    return "The registry hive " + file.string() +
           " was not closed cleanly (changes kept in its .LOG files were never written into it); it is "
           "read as it is, so the latest changes may be missing.";
}

} // namespace tessaly

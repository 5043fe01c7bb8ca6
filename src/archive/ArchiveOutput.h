// ArchiveOutput.h -- where a session writes its archive when the archive is not to lie on the disk as
// a plain zip file: the bytes are handed over with their offsets, then kept or dropped as a whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

// libzip writes mostly forwards but goes back to complete each member's local header, so a write may
// land on bytes already written. Errors are thrown as std::exception; rollback never throws.
class ArchiveOutput {
public:
    virtual ~ArchiveOutput() = default;
    virtual void begin() = 0;
    virtual void write(std::uint64_t offset, const char* data, std::size_t n) = 0;
    // The archive is complete and `size` bytes long.
    virtual void commit(std::uint64_t size) = 0;
    virtual void rollback() noexcept = 0;
};

} // namespace tessaly

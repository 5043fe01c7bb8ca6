// clsMD5.h -- the MD5 digest of RFC 1321 as 32 lower-case hexadecimal digits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Digests bytes. A text must be turned into its ANSI code-page bytes by the caller first (one byte
// per character), because the digest of a password is part of the backup file format.
class clsMD5 {
public:
    // Lower-case hex digits of the digest of sMessage; nothing carries over between calls.
    std::string MD5(std::string_view sMessage) const;

    // The sixteen digest bytes, for callers that compare raw digests.
    static std::array<std::uint8_t, 16> digest(std::string_view bytes);
};

} // namespace tessaly

// RegTypes.h -- registry handles, value types and the result codes the registry calls return.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

using HKEY = std::uint32_t;

inline constexpr HKEY kHkeyNone = 0;
inline constexpr HKEY kHkeyClassesRoot = 0x80000000u;
inline constexpr HKEY kHkeyCurrentUser = 0x80000001u;
inline constexpr HKEY kHkeyLocalMachine = 0x80000002u;
inline constexpr HKEY kHkeyUsers = 0x80000003u;
inline constexpr HKEY kHkeyPerformanceData = 0x80000004u;
inline constexpr HKEY kHkeyCurrentConfig = 0x80000005u;
inline constexpr HKEY kHkeyDynData = 0x80000006u;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

// The deepest key Windows allows: a key this many levels below its root may exist, one more may not.
inline constexpr std::size_t kMaxKeyDepth = 512;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;

} // namespace tessaly

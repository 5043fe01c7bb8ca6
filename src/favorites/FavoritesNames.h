// FavoritesNames.h -- names of favorites that a Windows file system can hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly {

// Longest name (in UTF-8 bytes) given to a favorite's file or folder; ".url" and a " (n)" still fit
// in the 255 bytes a host file name may have.
inline constexpr std::size_t kMaxFavoriteNameBytes = 240;

// Makes `name` valid as a Windows file or folder name: \ / : * ? " < > | become '_', control
// characters become blanks, leading blanks and trailing dots and blanks go, a reserved device name
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, also before an extension as in "con.txt") gets a '_' after it,
// and the name is cut to kMaxFavoriteNameBytes at a character boundary. Bytes that are not UTF-8
// become U+FFFD. When nothing is left, `fallback` is returned.
std::string windowsSafeName(std::string_view name, std::string_view fallback);

// True when Windows reserves the name for a device: the part before the first '.', without trailing
// blanks, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 or LPT1-9 (also with ¹ ² ³) in any case.
bool isReservedDeviceName(std::string_view name);

// `name` with " (n)" appended, cut first so that the result stays within kMaxFavoriteNameBytes.
std::string numberedName(std::string_view name, unsigned n);

// Replaces bytes that are not UTF-8 by U+FFFD.
std::string validUtf8(std::string_view text);

} // namespace tessaly

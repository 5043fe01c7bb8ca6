// WineEscape.h -- the escaping Wine uses for names and strings in its registry files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// Appends the escaped form of s to out and returns the number of characters appended.
// Characters in `delims` (two of them, as Wine passes them) are escaped with a backslash.
size_t appendWineEscaped(std::string& out, std::u16string_view s, const char delims[2]);

// Parses an escaped string that ends at `endChar`, starting at src[pos]. On success returns the
// decoded text and sets pos just past the end character; nullopt when the end character is missing.
// Raw UTF-8 bytes in the input are decoded as Wine does.
std::optional<std::u16string> parseWineEscaped(std::string_view src, size_t& pos, char endChar);

} // namespace tessaly

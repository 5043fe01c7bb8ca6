// BookmarkEntities.h -- HTML character references in bookmark files: escaping and decoding.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Escapes &, <, > and " so the text can stand in element content and in double-quoted attributes.
std::string escapeHtml(std::string_view text);

// Replaces character references by their characters, as a browser reads them: named references
// (the common HTML ones, with or without the closing ';' for the Latin-1 set), decimal and
// hexadecimal ones (code points that cannot be characters become U+FFFD, 128-159 are read as
// windows-1252). An unknown name or a lone '&' stays as written. In an attribute value a reference
// without ';' that runs into a letter, digit or '=' stays as written ("?a=1&copy=2").
std::string decodeEntities(std::string_view text, bool inAttribute = false);

} // namespace tessaly

// Utf8.h -- strict UTF-8 decoding and simple case folding shared by the platform code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::utf8 {

// Length of the well-formed UTF-8 sequence starting at text[pos] (1-4), or 0 when the bytes there
// are not one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
// On success *codePoint receives the character.
std::size_t decode(std::string_view text, std::size_t pos, char32_t* codePoint = nullptr);

// Appends the UTF-8 form of a character.
void append(std::string& out, char32_t codePoint);

// Upper-case form used to compare names without regard to letter case. Bytes that are not
// well-formed UTF-8 are kept as they are, so two different malformed names never compare equal.
std::string foldCase(std::string_view text);

} // namespace tessaly::utf8

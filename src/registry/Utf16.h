// Utf16.h -- UTF-8 <-> UTF-16 conversion and the case folding the registry compares names with.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// UTF-16LE bytes as the registry stores string data, and back; an odd last byte is ignored.
std::u16string utf16FromBytes(std::string_view bytes);
std::string utf16Bytes(std::u16string_view text);

// Lone surrogates survive the round trip: they are encoded as three-byte sequences (as WTF-8 does).
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// UTF-16 code unit folded to lower case, as Wine folds key and value names.
char16_t foldLower(char16_t c);

// Wine's order of sibling names: code units compared after folding to lower case, a prefix first.
int compareNames(std::u16string_view a, std::u16string_view b);
inline bool sameName(std::u16string_view a, std::u16string_view b) {
    return compareNames(a, b) == 0;
}

// The same comparison for UTF-8 names, used by the layers above.
bool sameNameUtf8(std::string_view a, std::string_view b);

} // namespace tessaly

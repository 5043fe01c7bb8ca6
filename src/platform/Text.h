// Text.h -- small text helpers shared by the layers: blanks, splitting, replacing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The text without blanks (' ' only) at either end.
std::string trimBlanks(std::string_view text);
// The pieces between the separators; n separators give n + 1 pieces.
std::vector<std::string> splitAt(std::string_view text, char separator);
// The text with ASCII letters in lower or upper case; other bytes unchanged.
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);
// The text with every occurrence of `from` (exact case) replaced.
std::string replaceAll(std::string text, std::string_view from, std::string_view to);

} // namespace tessaly

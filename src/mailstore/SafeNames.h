// SafeNames.h -- store texts as UTF-8, and folder names and subjects made into safe file names.
#pragma once

#include <string>

namespace tessaly {

// The text unchanged when it is valid UTF-8, else read as Windows-1252 (the client's usual code
// page) and converted; controls become spaces.
std::string storeText(const std::string& text);

// One safe path component: no "/", "\", ":", "*", "?", "\"", "<", ">", "|" or controls (each becomes
// "_"), no leading or trailing blanks and dots, at most `limit` bytes (whole UTF-8 characters), never
// empty, "." or "..": `fallback` then.
std::string safeFileName(const std::string& text, std::size_t limit, const std::string& fallback);

} // namespace tessaly

// BookmarkCharset.h -- the bytes of a bookmark file turned into UTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Decides the encoding as browsers do for these files: a UTF-8 or UTF-16 byte order mark, else the
// charset named by a "charset=" in the file's head (its META tag), else UTF-8. Returns the text as
// UTF-8 without a byte order mark. Throws FavoritesError with the reason (a sentence fragment such
// as "it is not UTF-8 text (line 3)") when the bytes are not text in that encoding or hold NULs.
std::string bookmarkFileText(std::string_view bytes);

// Converts bytes in the named character set to UTF-8 through iconv. Throws FavoritesError with the
// reason when the set is unknown or the bytes are not valid in it.
std::string convertToUtf8(std::string_view bytes, const std::string& charset);

} // namespace tessaly

// FavoritesShortcut.h -- Internet Shortcut (.url) files: the address they hold and the text they get.
#pragma once

#include "platform/CodePage.h"

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// The address of a shortcut file: "URL=" of its [InternetShortcut.W] section (UTF-7, where Windows
// keeps an address its ANSI code page cannot hold) when present and readable, else of its
// [InternetShortcut] section. Section and key names are matched without regard to case, blanks
// around values and enclosing quotes are dropped; a file that begins with a UTF-16 byte order mark is
// read as UTF-16; an ANSI value that is not UTF-8 is read in the profile's code page. nullopt when
// the file names no address.
std::optional<std::string> shortcutAddress(std::string_view fileBytes, const CodePage& codePage);

// The text of a shortcut file for an address (CR LF line ends). Characters outside ASCII are
// percent-encoded (as UTF-8) in the [InternetShortcut] section that every reader understands, and
// the exact address follows in an [InternetShortcut.W] section.
std::string shortcutFileText(std::string_view url);

// RFC 2152 UTF-7 to and from UTF-8; decodeUtf7 gives nullopt for text that is not valid UTF-7.
std::optional<std::string> decodeUtf7(std::string_view text);
std::string encodeUtf7(std::string_view utf8Text);

} // namespace tessaly

// EntryName.h -- checks that an archive entry name stays inside the destination folder, and the
// relative path it is written to.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessaly {

enum class EntryNameDefect { None, Empty, Absolute, DriveLetter, ParentComponent };

// Entries from any archive are refused when their name is absolute ("/x", "\x", "\\server\x"),
// starts with a drive letter ("C:x"), names no file, or has a component made only of dots and
// spaces with at least two dots ("..", and ".. " which Windows reads as "..").
EntryNameDefect entryNameDefect(std::string_view name);

// The words that say why a name was refused ("an absolute name", ...).
std::string describeDefect(EntryNameDefect defect);

// The relative path of a safe entry: components split at '/' and '\', "." and empty ones left out;
// only the last component when keepFolders is false; spaces turned into '_' when asked.
std::filesystem::path entryRelativePath(std::string_view name, bool keepFolders, bool spacesToUnderscores);

// True when the name ends with a folder separator: a folder entry, not a file.
bool isFolderEntry(std::string_view name);

// The file name without its folders (text after the last '/' or '\').
std::string bareName(std::string_view path);

// Letter-case-blind comparison of names (ASCII and the Latin-1 letters of UTF-8 text).
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

// The text before the first NUL: what a zero-terminated 8-bit string would carry.
std::string_view upToNul(std::string_view text);

} // namespace tessaly

// ItemNames.h -- the naming rules a new name of an image item must meet.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

// The message of the first rule the name breaks, or nullopt when it may be used. Without Joliet
// (joliet 0) every non-empty name passes; with it, names hold at most 64 characters and meet the
// ISO 9660 level's length rule (8 + 3 for level 1, 31 for the others).
std::optional<std::string> ItemNameViolation(const std::string& name, int joliet, int isoLevel);

// The length of a UTF-8 text in UTF-16 units, as Joliet counts characters.
std::size_t NameLength(const std::string& utf8);

} // namespace tessaly

// ImagePath.h -- image paths ("\Mail\Inbox.dbx", root "\") and names compared without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

inline constexpr const char* kImageRoot = "\\";

// The names along an image path; "\" and "" give none. "/" separates as "\" does, and empty
// components (doubled separators) are skipped.
std::vector<std::string> SplitImagePath(std::string_view path);
// The image path of a name in a folder: the folder's path (empty or "\" for the root) + "\" + name.
std::string JoinImagePath(std::string_view folderPath, std::string_view name);
// The image path made of the first `count` names.
std::string ImagePathOf(const std::vector<std::string>& names, std::size_t count);
// Whether two names are the same once letter case is ignored (Unicode simple case folding).
bool SameItemName(std::string_view a, std::string_view b);
// A name the image can hold: not empty, no "\" or "/", no NUL, not "." or "..".
bool IsValidItemName(std::string_view name);

} // namespace tessaly

// TargetFile.h -- the file a new backup replaces: through a link to the file it names, and its mode kept
// when that is stricter than a new file's.
#pragma once

#include <filesystem>

namespace tessaly {

// The file `target` names: a symbolic link (or a chain of them) is followed, so that the new file
// replaces the file and the link stays. Any other path comes back as it is.
std::filesystem::path resolveTargetLink(const std::filesystem::path& target);

// Gives `newFile` mode 0600, or the mode of the `replaced` file where that allows less (a 0400 backup
// stays 0400); a backup never becomes readable by others. Throws std::runtime_error.
void applyReplacedMode(const std::filesystem::path& newFile, const std::filesystem::path& replaced);

} // namespace tessaly

// WineServer.h -- telling whether a wineserver serves a prefix (it would overwrite our registry changes).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// True when a live wineserver serves this prefix. A wineserver keeps `socket` in a folder named
// server-<dev>-<ino> (the prefix folder's st_dev and st_ino in lower-case hex) under .wine-<uid>/ or
// (Debian's Wine) a wine-XXXXXX/ folder of /tmp or of $TMPDIR; a connect() to that socket tells a live
// server from a stale file.
bool wineserverRunning(const std::filesystem::path& prefix);

// The same, looking for server-<dev>-<ino>/socket below the given folders only.
bool wineserverRunning(const std::filesystem::path& prefix,
                       const std::vector<std::filesystem::path>& socketRoots);

// The folders below `tmpDir` where a wineserver of this prefix keeps its server folder:
// .wine-<uid> for the process's user and for the prefix's owner (Wine runs a prefix only as its
// owner), and every wine-* folder that one of those two users owns.
std::vector<std::filesystem::path> wineserverSocketRoots(const std::filesystem::path& prefix,
                                                         const std::filesystem::path& tmpDir = "/tmp");

// The temporary folders a wineserver may have used: /tmp, and $TMPDIR when it is set and another folder.
std::vector<std::filesystem::path> wineserverTempDirs();

// "server-<dev>-<ino>" of the prefix folder, or empty when it cannot be read.
std::string wineserverFolderName(const std::filesystem::path& prefix);

// The message used when refusing to change a prefix whose wineserver runs; it says how to stop it.
std::string wineserverRunningMessage(const std::filesystem::path& prefix);

} // namespace tessaly

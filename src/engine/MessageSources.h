// MessageSources.h -- the message stores of an identity's store folder or of an opened backup file,
// mapped for reading.
#pragma once

#include "engine/ProfileSession.h"
#include "mailstore/MessageExport.h"
#include "mailstore/StoreImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// The host folder the identity's "Store Root" names. Throws std::runtime_error with the reason.
std::filesystem::path identityStoreFolder(ProfileSession& session, const std::string& identityKey);

// The store files found, mapped, and one line for each that could not be read (too large, damaged
// in the archive), which is left out.
struct StoreFiles {
    std::vector<StoreImage> images;
    std::vector<std::string> problems;
};

// Every store file (name ending in .dbx) of a folder. Throws std::runtime_error for a folder that
// cannot be read.
StoreFiles storesInFolder(const std::filesystem::path& folder);

// Every store member of a plain backup archive, each copied into a file without a name on disk (in
// the temporary folder, else in `spare`), with progress by bytes. Throws ArchiveError for an archive
// that cannot be read, std::runtime_error when no such file can be made, RunStopped.
StoreFiles storesInArchive(const std::filesystem::path& archive, const std::filesystem::path& spare, Ui& ui);

// Exports every message of a plain backup archive into `dir` (see exportMessages): the stores are
// copied out as storesInArchive does, with `dir` as the spare folder. Throws as both do, and
// RunStopped when the Ui asks for a stop.
ExportSummary exportArchiveMessages(const std::filesystem::path& archive, const std::filesystem::path& dir,
                                    ExportFormat format, Ui& ui);

} // namespace tessaly

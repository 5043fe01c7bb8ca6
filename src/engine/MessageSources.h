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

// Every store file (name ending in .dbx) of a folder, mapped. Throws StoreError or
// std::runtime_error for a folder or store that cannot be read.
std::vector<StoreImage> storesInFolder(const std::filesystem::path& folder);

// Every store member of a plain backup archive, each copied into a file without a name on disk (in
// the temporary folder, else in `spare`) and mapped, with progress by bytes. Throws ArchiveError,
// StoreError or std::runtime_error.
std::vector<StoreImage> storesInArchive(const std::filesystem::path& archive,
                                        const std::filesystem::path& spare, Ui& ui);

// Exports every message of a plain backup archive into `dir` (see exportMessages): the stores are
// copied out as storesInArchive does, with `dir` as the spare folder. Throws as both do, and
// RunStopped when the Ui asks for a stop.
ExportSummary exportArchiveMessages(const std::filesystem::path& archive, const std::filesystem::path& dir,
                                    ExportFormat format, Ui& ui);

} // namespace tessaly

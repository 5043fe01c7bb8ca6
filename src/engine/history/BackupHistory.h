// BackupHistory.h -- the last step of a backup run: re-read the sealed file, decide whether it is
// complete, partial or suspect, and put it in its place among the target's versions.
#pragma once

#include "archive/ArchiveListing.h"
#include "engine/BackupRunner.h"
#include "engine/history/StoreFacts.h"

#include <optional>
#include <vector>

namespace tessaly {

// Before the run: with a policy, deletes earlier versions that the policy would delete anyway when the
// target's file system has less room than the previous backup takes; throws BackupFailed when that does
// not make enough room.
void makeRoomForNewBackup(const BackupPlan& plan);

// `sealed` is the finished file beside the target; `storeFacts` the value this run recorded under
// kStoreFactsKey; `previousFacts`, when given, what the target's file records (as recordedStoreFacts
// would read it), so that the file is not opened again; `copied`, the members copied from the previous
// file, which are checked by their compressed bytes. Throws BackupFailed (the target and its versions
// untouched) when the file does not read back or cannot be placed. Sets result.placed and
// result.shrunkStores.
void finishBackup(const std::filesystem::path& sealed, const BackupPlan& plan, BackupResult& result,
                  const std::string& storeFacts, const std::filesystem::path& workDir,
                  const CodePage& codePage, const CopiedMembers& copied = {},
                  const std::optional<std::optional<std::vector<StoreFact>>>& previousFacts = std::nullopt);

// The sentence a report adds about where the new file went and what happened to the earlier ones;
// empty for a plain replacement.
std::string describePlacement(const BackupResult& result);

} // namespace tessaly

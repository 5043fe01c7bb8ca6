// MemberCopy.h -- one archive member's bytes written to an open file, CRC-checked, without a name on disk.
#pragma once

#include "archive/ArchiveInput.h"
#include "platform/Ui.h"

#include <string>

namespace tessaly {

// Writes the member `name` of the archive to the descriptor `fd` (from its current position) and
// checks its CRC. Progress by bytes goes to the Ui, when one is given, under the member's name.
// Throws ArchiveError (kErrUnzipEngine): the archive cannot be read, no such member, the member is
// damaged, or the write fails.
void copyMemberTo(const ArchiveSource& archive, const std::string& name, int fd, Ui* ui = nullptr);

} // namespace tessaly

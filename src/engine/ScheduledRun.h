// ScheduledRun.h -- what the program does when the scheduler starts it with a command line.
#pragma once

#include <ostream>
#include <string>

namespace tessaly {

// Opens the profile ($WINEPREFIX, else ~/.wine, else the sample), runs the unattended backup of the
// recorded command line without any window, in the protection $TESSALY_PROTECTION names, with the
// password of the file $TESSALY_PASSWORD_FILE names (else the line's own ps= piece), keeping the earlier
// backups $TESSALY_KEEP asks for, and reports on `err`. Exit code: 0 every chosen item was backed up, 1 the
// backup file was written but an item failed (it is kept as a partial version) or its message stores
// shrank (kept as a suspect version), 2 nothing was backed up (also for an unknown $TESSALY_PROTECTION,
// an unreadable $TESSALY_KEEP or an unreadable password file).
int RunScheduledBackup(const std::string& recordedCommandLine, std::ostream& err);

} // namespace tessaly

// BackupClock.h -- the time a backup run records and names its files with.
#pragma once

#include <ctime>

namespace tessaly {

// The variable through which the tests set the backup clock (seconds since the epoch); no other
// program sets it.
inline constexpr const char* kTestClockVariable = "TESSALY_TEST_CLOCK";

// The current time, or the time in $TESSALY_TEST_CLOCK when it holds a number.
std::time_t backupClock();

} // namespace tessaly

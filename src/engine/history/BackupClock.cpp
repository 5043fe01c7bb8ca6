// BackupClock.cpp -- the run's time, which the tests can set.
#include "engine/history/BackupClock.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tessaly {

std::time_t backupClock() {
    if (const char* text = std::getenv(kTestClockVariable)) {
        long long seconds = 0;
        auto [end, ec] = std::from_chars(text, text + std::strlen(text), seconds);
        if (ec == std::errc() && *end == '\0' && seconds > 0)
            return static_cast<std::time_t>(seconds);
    }
    return std::time(nullptr);
}

} // namespace tessaly

// CommandLine.h -- the recorded command line that decides between interactive and unattended runs.
#pragma once

#include <string>

namespace tessaly {

// The program's arguments (without its own name) joined by single blanks; empty means interactive.
std::string RecordCommandLine(int argc, const char* const* argv);

inline bool isUnattended(const std::string& recordedCommandLine) {
    return !recordedCommandLine.empty();
}

} // namespace tessaly

// RunCommand.h -- runs a helper program (such as crontab) with given input and collects its output.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct CommandResult {
    int exitCode = -1; // 128 + signal number when it was killed
    std::string out;
    std::string err;
};

// Runs argv[0] (looked up in PATH when it has no slash) with the text on its standard input.
// Throws std::runtime_error when it cannot be started.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& input = "");

} // namespace tessaly

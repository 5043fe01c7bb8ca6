// RunProgram.h -- runs a program of ours for a test and collects its output and exit code.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::test {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments; `env` entries are set (a nullopt value unsets the variable).
// Standard input is the given text. A fileSizeLimit (bytes) makes every write past that size fail
// with EFBIG, as a full disk would, without needing one.
RunResult runProgram(const std::vector<std::string>& argv,
                     const std::map<std::string, std::optional<std::string>>& env = {},
                     const std::string& input = "", long long fileSizeLimit = -1);

} // namespace tessaly::test

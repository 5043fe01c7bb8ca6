// CliCommon.h -- what every tessaly-cli verb shares: options, exit codes, opening the profile.
#pragma once

#include "cli/TerminalUi.h"
#include "engine/ProfileSession.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::cli {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitRefused = 2, kExitNoIdentities = 3 };

struct CommonOptions {
    std::optional<std::filesystem::path> profile; // --profile DIR
    bool help = false;                            // --help / -h
    bool yes = false;                             // --yes
    std::vector<std::string> positional;
};

// Takes the options every verb knows out of args; an unknown option or a missing value throws
// std::invalid_argument with a message for the user.
CommonOptions parseCommonOptions(const std::vector<std::string>& args,
                                 const std::vector<std::string>& extraFlags = {});

// Resolves and opens the profile; prints the sample-profile notice on stderr.
std::unique_ptr<ProfileSession> openProfile(const CommonOptions& options, Ui& ui);

// Prints "tessaly-cli: <message>" on stderr and returns the code.
int fail(int code, const std::string& message);

} // namespace tessaly::cli

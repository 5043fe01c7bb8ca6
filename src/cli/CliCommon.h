// CliCommon.h -- what every tessaly-cli verb shares: options, exit codes, opening the profile.
#pragma once

#include "cli/TerminalUi.h"
#include "engine/ProfileSession.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tessaly::cli {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitRefused = 2, kExitNoIdentities = 3 };

struct CommonOptions {
    std::optional<std::filesystem::path> profile; // --profile DIR
    bool help = false;                            // --help / -h
    bool yes = false;                             // --yes
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // the verb's own options that take a value
    std::set<std::string> flags;               // the verb's own options without a value
    // --user NAME: the user whose profile to read from the Windows drive given with --profile.
    std::optional<std::string> user;

    bool has(const std::string& flag) const { return flags.count(flag) > 0; }
    std::optional<std::string> value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

// Takes the options every verb knows out of args; an unknown option or a missing value throws
// std::invalid_argument with a message for the user. valueOptions take the next argument (or
// "--opt=value"); flagOptions take none.
CommonOptions parseCommonOptions(const std::vector<std::string>& args,
                                 const std::set<std::string>& valueOptions = {},
                                 const std::set<std::string>& flagOptions = {});

// Resolves and opens the profile; prints the sample-profile notice on stderr.
std::unique_ptr<ProfileSession> openProfile(const CommonOptions& options, Ui& ui);

// Prints "tessaly-cli: <message>" on stderr and returns the code.
int fail(int code, const std::string& message);

} // namespace tessaly::cli

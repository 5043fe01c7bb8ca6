// ScheduledCommand.h -- the command line a scheduled backup runs: "PROGRAM" sf=KEYxm=MASKps=PWbf=FILE.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace tessaly {

// Eight characters "1"/"0", one per backup item in the fixed order.
std::string BuildItemMask(const std::array<bool, 8>& checked);

// The environment variable that chooses the protection of a scheduled backup's file.
inline constexpr const char* kProtectionVariable = "TESSALY_PROTECTION";
// The environment variable that names the file holding a scheduled backup's password.
inline constexpr const char* kPasswordFileVariable = "TESSALY_PASSWORD_FILE";

// The environment variable that holds a scheduled backup's retention policy ("7d,4w,6m").
inline constexpr const char* kScheduledKeepVariable = "TESSALY_KEEP";
// Set to "1", the variable makes a scheduled backup compress every file again (a full run).
inline constexpr const char* kScheduledFullVariable = "TESSALY_FULL";
// The policy of a new scheduled job: 7 daily, 4 weekly and 6 monthly earlier backups.
inline constexpr const char* kScheduledKeepDefault = "7d,4w,6m";

// The quoted program path, one blank, then the four keys and values with nothing between them.
// A protection other than "" and "compatible" (the unattended backup's default) goes in front as
// "TESSALY_PROTECTION=<protection> ", a retention policy as "TESSALY_KEEP=<policy> " and a full run as
// "TESSALY_FULL=1 ", so the grammar after the program stays as it is.
std::string BuildScheduledCommand(const std::string& programPath, const std::string& identityKey,
                                  const std::string& mask, const std::string& password,
                                  const std::string& backupFile, const std::string& protection = "",
                                  const std::string& keep = "", bool full = false);

enum class CarriedValue { Password, IdentityKey, BackupFile, ProgramPath };

// Why the value cannot travel in a scheduled command line (a message for the user), or nullopt.
// The reader splits the line at every "=", and a scheduled command is a single line.
std::optional<std::string> WhyNotCarriable(CarriedValue what, const std::string& value);

struct CommandParts {
    std::string protection; // the value of a leading TESSALY_PROTECTION=; empty without one
    std::string keep;       // the value of a leading TESSALY_KEEP=; empty without one
    bool full = false;      // a leading TESSALY_FULL=1
    std::string program;    // the path between the double quotes
    std::string arguments;  // everything after the blank that follows the closing quote
};

// Takes a command line built by BuildScheduledCommand apart; nullopt when it has another shape.
std::optional<CommandParts> SplitScheduledCommand(const std::string& command);

struct ScheduledArguments {
    std::string identityKey;
    std::string mask;
    std::string password;
    std::string backupFile;
};

// "sf=KEYxm=MASKps=PASSWORDbf=FILE", the arguments BuildScheduledCommand writes after the program.
std::string FormatScheduledArguments(const ScheduledArguments& arguments);

// Reads the arguments as the unattended backup does: split at every "=", drop the last two
// characters of every piece but the first and the last, pieces 1 to 4 in order. nullopt when there
// are fewer than five pieces or a middle piece is shorter than two characters.
std::optional<ScheduledArguments> ParseScheduledArguments(const std::string& arguments);

} // namespace tessaly

// CronLine.h -- one scheduled backup as one crontab line, tagged with its job number.
//
//   30 9 * * 1,7 TESSALY_JOB=3 WINEPREFIX='/home/u/.wine' '/usr/bin/tessaly' 'sf=KEYxm=MASKps=PWbf=FILE'
//   30 9 * * 1 TESSALY_JOB=5 WINEPREFIX='/p' TESSALY_PROTECTION=strong '/usr/bin/tessaly' '...'
//   30 9 * * * TESSALY_JOB=6 WINEPREFIX='/p' TESSALY_KEEP=7d,4w,6m
//   TESSALY_PASSWORD_FILE='/home/u/.config/tessaly/jobs/job-6.password' '/usr/bin/tessaly' '...'
//   30 9 * * * TESSALY_JOB=7 WINEPREFIX='/p' TESSALY_FULL=1 '/usr/bin/tessaly' '...'
//   0 22 14 3 * TESSALY_JOB=4 WINEPREFIX='...' '/usr/bin/tessaly' '...'; '/usr/bin/tessaly-cli' schedule
//   remove 4
//
// The second form writes a strong backup file; the third keeps earlier backups by a retention policy and
// reads the password from a private file instead of the line (its ps= is empty); the fourth compresses
// every file again instead of copying unchanged ones from the previous backup. The fifth runs once: its
// date fields name the day, and after the backup the line removes itself. The tag is the first word of the
// command, so no line of anyone else can look like ours.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

struct OnceDate {
    int month = 1; // 1..12
    int day = 1;   // 1..31
};

struct CronJobLine {
    uint32_t number = 0;
    int hour = 0;
    int minute = 0;
    uint8_t daysOfWeek = 0;       // Monday 1 ... Sunday 64; 0 with a once date
    std::optional<OnceDate> once; // set for a job that runs once
    std::string winePrefix;
    std::string protection;   // set in the program's environment when not empty (lower-case letters)
    std::string keep;         // TESSALY_KEEP, set when not empty (digits, lower-case letters and commas)
    bool full = false;        // TESSALY_FULL=1
    std::string passwordFile; // TESSALY_PASSWORD_FILE when not empty
    std::string program;
    std::string arguments;     // handed to the program as one argument
    std::string removeProgram; // tessaly-cli, which removes a once job's line after it ran
};

inline constexpr const char* kJobTag = "TESSALY_JOB=";

// The line, without its line break. Throws std::invalid_argument for a value with a line break, a
// protection other than lower-case letters, a once job without removeProgram, or a line cron would
// cut short.
std::string FormatCronLine(const CronJobLine& job);

// The job number of a Tessaly line; nullopt for every other line.
std::optional<uint32_t> TessalyJobNumber(const std::string& line);

// Reads a Tessaly line back; nullopt when it is not one or has been changed beyond reading.
std::optional<CronJobLine> ParseCronLine(const std::string& line);

// The longest command Debian's crontab takes in a line; it refuses a longer one as "command too long".
inline constexpr size_t kMaxCronCommand = 998;

} // namespace tessaly

// SchedulerTestSupport.h -- crontabs for tests: in memory, a fake crontab program, a private spool
// for the real one, and cron's own treatment of a line's command.
#pragma once

#include "scheduler/CrontabStore.h"

#include "RunProgram.h"
#include "TempDir.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace tessaly::test {

// A crontab kept in a string; `failing` makes every access throw.
class MemoryCrontab : public CrontabStore {
public:
    std::string table;
    bool failing = false;
    int writes = 0;
    std::string read() override {
        if (failing)
            throw SchedulerError("crontab: cannot reach the spool");
        return table;
    }
    void write(const std::string& t) override {
        if (failing)
            throw SchedulerError("crontab: cannot reach the spool");
        table = t;
        ++writes;
    }
};

// A shell script that behaves as "crontab -l" / "crontab -" over a file in `dir`. While a file
// named "fail" exists in `dir`, installing fails the way crontab reports a bad table.
class FakeCrontabProgram {
public:
    explicit FakeCrontabProgram(const std::filesystem::path& dir);
    const std::filesystem::path& program() const { return program_; }
    std::filesystem::path tableFile() const { return dir_ / "table"; }
    std::optional<std::string> table() const; // nullopt when no table was ever installed

private:
    std::filesystem::path dir_;
    std::filesystem::path program_;
};

// The command cron hands to /bin/sh for a line: the text after the five time fields, "\%" turned
// into "%", cut at the first other "%". Written from cron's manual, independently of the scheduler.
// foldBackslashes also turns "\\" into "\" as older crons do.
std::string CommandAsCronRunsIt(const std::string& line, bool foldBackslashes = false);

// The line of `table` whose command starts with TESSALY_JOB=<n>; empty when there is none.
std::string LineOfJob(const std::string& table, unsigned n);

// Runs `command` with /bin/sh -c in an environment like cron's (HOME, LOGNAME, PATH, SHELL; no
// WINEPREFIX or TESSALY_* variables from the test), plus `extra`.
RunResult RunAsCron(const std::string& command, const std::filesystem::path& home,
                    const std::map<std::string, std::optional<std::string>>& extra = {});

// The real crontab program, with /var/spool/cron/crontabs replaced by an empty folder in a private
// mount namespace so that no real table is read or written. Use TESSALY_USE_PRIVATE_SPOOL() at the
// top of a test: in the test process it runs the same test again inside such a namespace, checks
// that it passed and returns; inside the namespace the test goes on. The test is skipped when the
// namespace cannot be made (no crontab program, or no right to unshare and mount).
enum class Spool { Inside, RanOutside, Unavailable };
Spool EnterPrivateSpool(std::string& whyUnavailable);

#define TESSALY_USE_PRIVATE_SPOOL()                                                                          \
    do {                                                                                                     \
        std::string why_;                                                                                    \
        switch (::tessaly::test::EnterPrivateSpool(why_)) {                                                  \
        case ::tessaly::test::Spool::Inside:                                                                 \
            break;                                                                                           \
        case ::tessaly::test::Spool::RanOutside:                                                             \
            return;                                                                                          \
        case ::tessaly::test::Spool::Unavailable:                                                            \
            GTEST_SKIP() << why_;                                                                            \
        }                                                                                                    \
    } while (0)

#define TESSALY_NEEDS_APP()                                                                                  \
    do {                                                                                                     \
        if (std::string(TESSALY_APP).empty())                                                                \
            GTEST_SKIP() << "the tessaly program is not part of this build";                                 \
    } while (0)

} // namespace tessaly::test

// CronScheduler.h -- scheduled jobs as lines of the user's crontab.
#pragma once

#include "platform/SecretFile.h"
#include "scheduler/TaskScheduler.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

namespace tessaly {

// Results of addJob besides 0.
inline constexpr uint32_t kJobErrorInvalidParameter = 87; // the record cannot be written as a crontab line
inline constexpr uint32_t kJobErrorSchedulerFailed = 1;   // the crontab could not be read or written

class CronScheduler : public TaskScheduler {
public:
    // Every job runs with WINEPREFIX set to winePrefix. removeProgram (tessaly-cli) is what a job
    // that runs once calls to remove its own line. now gives the current time (for once dates).
    // A job's password goes into a file of its own in jobsFolder, which the line names.
    CronScheduler(
        CrontabStore& store, std::filesystem::path winePrefix, std::filesystem::path removeProgram,
        std::function<std::time_t()> now = [] { return std::time(nullptr); },
        std::filesystem::path jobsFolder = defaultJobsFolder());

    uint32_t addJob(const std::string& serverName, const AT_INFO& info, uint32_t& jobId,
                    std::string* error = nullptr) override;
    std::vector<ScheduledJob> jobs() override;
    bool removeJob(uint32_t jobId) override;

    // The crontab line addJob would write for the record under the given number: a password in the
    // command moves to the job's password file, and its ps= stays empty. *password (when given)
    // receives it. Throws std::invalid_argument when the record cannot be written as a line.
    std::string lineFor(const AT_INFO& info, uint32_t number, std::string* password = nullptr) const;

    // Where the password of job `number` is kept.
    std::filesystem::path passwordFileOf(uint32_t number) const;

private:
    CrontabStore& store_;
    std::filesystem::path winePrefix_;
    std::filesystem::path removeProgram_;
    std::function<std::time_t()> now_;
    std::filesystem::path jobsFolder_;
};

// The first day on or after today (local time) whose weekday is in `daysOfWeek` (any day when it is
// 0) and on which hour:minute is still to come.
OnceDate NextOccurrence(std::time_t now, int hour, int minute, uint8_t daysOfWeek);

// The scheduler of the user who runs Tessaly: the crontab program (crontabProgram()) for jobs of the
// given Wine prefix, removed after a single run by tessaly-cli at removeProgram.
class UserScheduler {
public:
    UserScheduler(std::filesystem::path winePrefix, std::filesystem::path removeProgram,
                  std::filesystem::path jobsFolder = defaultJobsFolder());
    TaskScheduler& scheduler() { return scheduler_; }

private:
    CommandCrontab store_;
    CronScheduler scheduler_;
};

} // namespace tessaly

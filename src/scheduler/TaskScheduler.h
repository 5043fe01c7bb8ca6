// TaskScheduler.h -- where scheduled jobs are registered, listed and removed.
#pragma once

#include "scheduler/AtInfo.h"
#include "scheduler/CronLine.h"
#include "scheduler/CrontabStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// A registered job as a list shows it; the password stays out.
struct ScheduledJob {
    uint32_t number = 0;
    int hour = 0;
    int minute = 0;
    uint8_t daysOfWeek = 0;       // Monday 1 ... Sunday 64
    std::optional<OnceDate> once; // set for a job that runs once
    std::string winePrefix;
    std::string protection; // "compatible" or "strong" (as the line names it)
    std::string keep;       // the retention policy ("7d,4w,6m"); empty: the file is replaced
    bool full = false;      // every file is compressed again
    std::string program;
    std::string identityKey; // empty when the line could not be read
    std::string mask;
    std::string backupFile;
    std::string passwordFile; // where the password is kept; empty when the job has none there
    bool readable = true;     // false: the line carries our tag but was changed beyond reading
};

class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;

    // Registers the job. 0 when it is registered and jobId holds its number; any other result means
    // it is not, and *error (when given) says why.
    virtual uint32_t addJob(const std::string& serverName, const AT_INFO& info, uint32_t& jobId,
                            std::string* error = nullptr) = 0;
    // Tessaly's jobs in number order. Throws SchedulerError.
    virtual std::vector<ScheduledJob> jobs() = 0;
    // False when there is no such job. Throws SchedulerError.
    virtual bool removeJob(uint32_t jobId) = 0;
};

} // namespace tessaly

// CronScheduler.cpp -- adding, listing and removing Tessaly's lines in the user's crontab.
#include "scheduler/CronScheduler.h"

#include "scheduler/ScheduledCommand.h"

#include <algorithm>

namespace tessaly {

namespace {

std::vector<std::string> splitLines(const std::string& table) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < table.size()) {
        size_t end = table.find('\n', start);
        if (end == std::string::npos)
            end = table.size();
        lines.push_back(table.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

OnceDate NextOccurrence(std::time_t now, int hour, int minute, uint8_t daysOfWeek) {
    std::tm day{};
    localtime_r(&now, &day);
    bool laterToday = hour * 60 + minute > day.tm_hour * 60 + day.tm_min;
    day.tm_hour = 12; // far from any change of clocks
    day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    if (!laterToday)
        ++day.tm_mday;
    for (int i = 0; i < 8; ++i) {
        std::mktime(&day);
        int bit = 1 << ((day.tm_wday + 6) % 7); // tm_wday 1 (Monday) -> bit 0
        if (daysOfWeek == 0 || (daysOfWeek & bit))
            break;
        ++day.tm_mday;
    }
    return OnceDate{day.tm_mon + 1, day.tm_mday};
}

CronScheduler::CronScheduler(CrontabStore& store, std::filesystem::path winePrefix,
                             std::filesystem::path removeProgram, std::function<std::time_t()> now)
    : store_(store), winePrefix_(std::move(winePrefix)), removeProgram_(std::move(removeProgram)),
      now_(std::move(now)) {}

std::string CronScheduler::lineFor(const AT_INFO& info, uint32_t number) const {
    if (info.JobTime >= 24u * 3600 * 1000 || info.JobTime % 60000 != 0)
        throw std::invalid_argument("the start time must be a whole minute of the day");
    if (info.DaysOfMonth != 0)
        throw std::invalid_argument("jobs on days of the month are not supported");
    if (info.DaysOfWeek & 0x80)
        throw std::invalid_argument("the weekday bits are out of range");
    auto parts = SplitScheduledCommand(info.Command);
    if (!parts)
        throw std::invalid_argument("the command must start with the program's path in double quotes");

    CronJobLine job;
    job.number = number;
    job.hour = static_cast<int>(info.JobTime / 3600000);
    job.minute = static_cast<int>(info.JobTime / 60000 % 60);
    job.winePrefix = winePrefix_.string();
    job.protection = parts->protection;
    job.keep = parts->keep;
    job.full = parts->full;
    job.program = parts->program;
    job.arguments = parts->arguments;
    if ((info.Flags & JOB_RUN_PERIODICALLY) && info.DaysOfWeek != 0) {
        job.daysOfWeek = info.DaysOfWeek;
    } else {
        // A record without weekdays (or not periodic) runs once, at the next occurrence of its time.
        job.once = NextOccurrence(now_(), job.hour, job.minute, info.DaysOfWeek);
        job.removeProgram = removeProgram_.string();
    }
    return FormatCronLine(job);
}

uint32_t CronScheduler::addJob(const std::string& /*serverName: cron is always this computer's*/,
                               const AT_INFO& info, uint32_t& jobId, std::string* error) {
    try {
        std::string table = store_.read();
        uint32_t number = 0;
        for (const std::string& line : splitLines(table))
            number = std::max(number, TessalyJobNumber(line).value_or(0));
        ++number;
        std::string line;
        try {
            line = lineFor(info, number);
        } catch (const std::invalid_argument& e) {
            if (error)
                *error = e.what();
            return kJobErrorInvalidParameter;
        }
        if (!table.empty() && table.back() != '\n')
            table += '\n';
        store_.write(table + line + '\n');
        jobId = number;
        return 0;
    } catch (const SchedulerError& e) {
        if (error)
            *error = e.what();
        return kJobErrorSchedulerFailed;
    }
}

std::vector<ScheduledJob> CronScheduler::jobs() {
    std::vector<ScheduledJob> list;
    for (const std::string& line : splitLines(store_.read())) {
        auto number = TessalyJobNumber(line);
        if (!number)
            continue;
        ScheduledJob job;
        job.number = *number;
        auto parsed = ParseCronLine(line);
        auto arguments = parsed ? ParseScheduledArguments(parsed->arguments) : std::nullopt;
        if (!parsed || !arguments) {
            job.readable = false;
        } else {
            job.hour = parsed->hour;
            job.minute = parsed->minute;
            job.daysOfWeek = parsed->daysOfWeek;
            job.once = parsed->once;
            job.winePrefix = parsed->winePrefix;
            job.protection = parsed->protection.empty() ? "compatible" : parsed->protection;
            job.keep = parsed->keep;
            job.full = parsed->full;
            job.program = parsed->program;
            job.identityKey = arguments->identityKey;
            job.mask = arguments->mask;
            job.backupFile = arguments->backupFile;
        }
        list.push_back(std::move(job));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const ScheduledJob& a, const ScheduledJob& b) { return a.number < b.number; });
    return list;
}

bool CronScheduler::removeJob(uint32_t jobId) {
    std::string table = store_.read();
    std::string kept;
    bool found = false;
    size_t start = 0;
    while (start < table.size()) {
        size_t end = table.find('\n', start);
        size_t next = end == std::string::npos ? table.size() : end + 1;
        std::string line = table.substr(start, (end == std::string::npos ? table.size() : end) - start);
        if (TessalyJobNumber(line) == jobId)
            found = true;
        else
            kept += table.substr(start, next - start);
        start = next;
    }
    if (found)
        store_.write(kept);
    return found;
}

UserScheduler::UserScheduler(std::filesystem::path winePrefix, std::filesystem::path removeProgram)
    : store_(), scheduler_(store_, std::move(winePrefix), std::move(removeProgram)) {}

} // namespace tessaly

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

// Removes the password file a removed line named, but only when it is one a scheduler wrote:
// "job-N.password" of that job's number in `jobsFolder` or in any ".../tessaly/jobs" (the line may
// come from another session's settings), a regular file and not a link.
void removePasswordFile(const std::string& named, uint32_t jobId, const std::filesystem::path& jobsFolder) {
    if (named.empty())
        return;
    std::filesystem::path file(named);
    std::filesystem::path folder = file.parent_path();
    const bool ourFolder = folder.lexically_normal() == jobsFolder.lexically_normal() ||
                           (folder.filename() == "jobs" && folder.parent_path().filename() == "tessaly");
    if (!file.is_absolute() || file.filename() != "job-" + std::to_string(jobId) + ".password" || !ourFolder)
        return;
    std::error_code ec;
    if (std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::regular)
        std::filesystem::remove(file, ec);
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
                             std::filesystem::path removeProgram, std::function<std::time_t()> now,
                             std::filesystem::path jobsFolder)
    : store_(store), winePrefix_(std::move(winePrefix)), removeProgram_(std::move(removeProgram)),
      now_(std::move(now)), jobsFolder_(std::move(jobsFolder)) {}

std::filesystem::path CronScheduler::passwordFileOf(uint32_t number) const {
    return jobsFolder_ / ("job-" + std::to_string(number) + ".password");
}

std::string CronScheduler::lineFor(const AT_INFO& info, uint32_t number, std::string* password) const {
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
    // The password stays out of the line (which every job's shell shows in its command line): it
    // goes into a file of this job's own, which the line names.
    if (auto arguments = ParseScheduledArguments(parts->arguments);
        arguments && !arguments->password.empty()) {
        if (FormatScheduledArguments(*arguments) != parts->arguments)
            throw std::invalid_argument("the command line cannot be read back as it was written");
        if (password)
            *password = arguments->password;
        arguments->password.clear();
        job.arguments = FormatScheduledArguments(*arguments);
        job.passwordFile = passwordFileOf(number).string();
    }
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
        std::string password;
        try {
            line = lineFor(info, number, &password);
        } catch (const std::invalid_argument& e) {
            if (error)
                *error = e.what();
            return kJobErrorInvalidParameter;
        }
        const std::filesystem::path secret = passwordFileOf(number);
        std::error_code ec;
        if (!password.empty()) {
            // No line names this number, so a file of that name was left by a line removed by hand.
            std::filesystem::remove(secret, ec);
            try {
                writeSecretFile(secret, password);
            } catch (const std::runtime_error& e) {
                throw SchedulerError(std::string("the password could not be stored: ") + e.what());
            }
        }
        if (!table.empty() && table.back() != '\n')
            table += '\n';
        try {
            store_.write(table + line + '\n');
        } catch (const SchedulerError&) {
            if (!password.empty())
                std::filesystem::remove(secret, ec);
            throw;
        }
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
            job.passwordFile = parsed->passwordFile;
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
    std::string passwordFile;
    size_t start = 0;
    while (start < table.size()) {
        size_t end = table.find('\n', start);
        size_t next = end == std::string::npos ? table.size() : end + 1;
        std::string line = table.substr(start, (end == std::string::npos ? table.size() : end) - start);
        if (TessalyJobNumber(line) == jobId) {
            found = true;
            if (auto parsed = ParseCronLine(line))
                passwordFile = parsed->passwordFile;
        } else
            kept += table.substr(start, next - start);
        start = next;
    }
    if (found) {
        store_.write(kept);
        removePasswordFile(passwordFile, jobId, jobsFolder_);
    }
    return found;
}

UserScheduler::UserScheduler(std::filesystem::path winePrefix, std::filesystem::path removeProgram,
                             std::filesystem::path jobsFolder)
    : store_(), scheduler_(
                    store_, std::move(winePrefix), std::move(removeProgram),
                    [] { return std::time(nullptr); }, std::move(jobsFolder)) {}

} // namespace tessaly

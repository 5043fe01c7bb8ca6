// CronLine.cpp -- writing and reading Tessaly's crontab lines.
#include "scheduler/CronLine.h"

#include "scheduler/CronQuote.h"
#include "scheduler/DayList.h"
#include "scheduler/ScheduledCommand.h"

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <vector>

namespace tessaly {

namespace {

// Cron numbers weekdays from Sunday = 0 (7 is Sunday too); the record's bits start at Monday.
std::string cronWeekdays(uint8_t bits) {
    if ((bits & kEveryDay) == kEveryDay)
        return "*";
    std::string field;
    for (int i = 0; i < 7; ++i)
        if (bits & (1 << i))
            field += (field.empty() ? "" : ",") + std::to_string(i + 1);
    return field;
}

std::optional<int> number(const std::string& text, int low, int high) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<uint8_t> weekdayBits(const std::string& field) {
    if (field == "*")
        return kEveryDay;
    uint8_t bits = 0;
    size_t start = 0;
    while (true) {
        size_t comma = field.find(',', start);
        std::string item =
            field.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dash = item.find('-');
        auto from = number(item.substr(0, dash), 0, 7);
        auto to = dash == std::string::npos ? from : number(item.substr(dash + 1), 0, 7);
        if (!from || !to || *from > *to)
            return std::nullopt;
        for (int d = *from; d <= *to; ++d)
            bits |= static_cast<uint8_t>(1 << ((d + 6) % 7)); // 1 (Monday) -> bit 0, 0 and 7 -> bit 6
        if (comma == std::string::npos)
            return bits;
        start = comma + 1;
    }
}

// The five time fields and the command part of a line.
bool splitFields(const std::string& line, std::vector<std::string>& fields, std::string& command) {
    size_t pos = 0;
    fields.clear();
    for (int i = 0; i < 5; ++i) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos)
            return false;
        size_t end = line.find_first_of(" \t", pos);
        if (end == std::string::npos)
            return false;
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string::npos)
        return false;
    command = line.substr(pos);
    return true;
}

} // namespace

std::string FormatCronLine(const CronJobLine& job) {
    std::string fields = std::to_string(job.minute) + " " + std::to_string(job.hour) + " ";
    if (job.once)
        fields += std::to_string(job.once->day) + " " + std::to_string(job.once->month) + " *";
    else
        fields += "* * " + cronWeekdays(job.daysOfWeek);
    std::string number = std::to_string(job.number);
    std::string command = kJobTag + number + " WINEPREFIX=" + QuoteForCron(job.winePrefix) + " ";
    if (!job.protection.empty()) {
        // Written unquoted, so only a plain word may go there.
        for (char c : job.protection)
            if (c < 'a' || c > 'z')
                throw std::invalid_argument("the protection \"" + job.protection + "\" is not a known name");
        command += std::string(kProtectionVariable) + "=" + job.protection + " ";
    }
    if (!job.keep.empty()) {
        for (char c : job.keep)
            if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != ',')
                throw std::invalid_argument("the retention policy \"" + job.keep + "\" cannot be written");
        command += std::string(kScheduledKeepVariable) + "=" + job.keep + " ";
    }
    if (job.full)
        command += std::string(kScheduledFullVariable) + "=1 ";
    if (!job.passwordFile.empty())
        command += std::string(kPasswordFileVariable) + "=" + QuoteForCron(job.passwordFile) + " ";
    command += QuoteForCron(job.program) + " " + QuoteForCron(job.arguments);
    if (job.once) {
        if (job.removeProgram.empty())
            throw std::invalid_argument("a job that runs once needs the program that removes it");
        command += "; " + QuoteForCron(job.removeProgram) + " schedule remove " + number;
    }
    if (command.size() > kMaxCronCommand)
        throw std::invalid_argument("the scheduled command is " + std::to_string(command.size()) +
                                    " characters long; cron takes at most " +
                                    std::to_string(kMaxCronCommand) +
                                    ". Please choose a shorter backup file path.");
    return fields + " " + command;
}

std::optional<uint32_t> TessalyJobNumber(const std::string& line) {
    std::vector<std::string> fields;
    std::string command;
    if (!splitFields(line, fields, command) || fields[0].starts_with("#"))
        return std::nullopt;
    const std::string tag = kJobTag;
    if (!command.starts_with(tag))
        return std::nullopt;
    size_t end = tag.size();
    while (end < command.size() && std::isdigit(static_cast<unsigned char>(command[end])))
        ++end;
    if (end == tag.size() || end >= command.size() || (command[end] != ' ' && command[end] != '\t'))
        return std::nullopt;
    auto n = number(command.substr(tag.size(), end - tag.size()), 1, 999999999);
    if (!n)
        return std::nullopt;
    return static_cast<uint32_t>(*n);
}

std::optional<CronJobLine> ParseCronLine(const std::string& line) {
    auto jobNumber = TessalyJobNumber(line);
    std::vector<std::string> fields;
    std::string command;
    if (!jobNumber || !splitFields(line, fields, command))
        return std::nullopt;
    CronJobLine job;
    job.number = *jobNumber;
    auto minute = number(fields[0], 0, 59);
    auto hour = number(fields[1], 0, 23);
    if (!minute || !hour)
        return std::nullopt;
    job.minute = *minute;
    job.hour = *hour;
    if (fields[2] == "*" && fields[3] == "*") {
        auto bits = weekdayBits(fields[4]);
        if (!bits)
            return std::nullopt;
        job.daysOfWeek = *bits;
    } else {
        auto day = number(fields[2], 1, 31);
        auto month = number(fields[3], 1, 12);
        if (!day || !month || fields[4] != "*")
            return std::nullopt;
        job.once = OnceDate{*month, *day};
    }

    std::string rest;
    auto words = SplitShellWords(TranslateCronPercents(command).command, &rest);
    const std::string prefixAssignment = "WINEPREFIX=";
    if (!words || words->size() < 4 || !(*words)[1].starts_with(prefixAssignment))
        return std::nullopt;
    job.winePrefix = (*words)[1].substr(prefixAssignment.size());
    // Then TESSALY_PROTECTION=, TESSALY_KEEP=, TESSALY_FULL=1 and TESSALY_PASSWORD_FILE=, each at most once,
    // before the program.
    size_t next = 2;
    for (; next + 2 < words->size(); ++next) {
        const std::string& word = (*words)[next];
        if (word == std::string(kScheduledFullVariable) + "=1" && !job.full) {
            job.full = true;
            continue;
        }
        std::string* value = nullptr;
        for (auto [name, field] :
             {std::pair{kProtectionVariable, &job.protection}, std::pair{kScheduledKeepVariable, &job.keep},
              std::pair{kPasswordFileVariable, &job.passwordFile}})
            if (word.starts_with(std::string(name) + "=") && field->empty())
                value = field;
        if (!value)
            return std::nullopt;
        *value = word.substr(word.find('=') + 1);
        if (value->empty())
            return std::nullopt;
    }
    if (words->size() != next + 2)
        return std::nullopt;
    job.program = (*words)[next];
    job.arguments = (*words)[next + 1];
    if (job.once) {
        auto removal = SplitShellWords(rest);
        if (!removal || removal->size() != 4 || (*removal)[1] != "schedule" || (*removal)[2] != "remove")
            return std::nullopt;
        job.removeProgram = (*removal)[0];
    }
    return job;
}

} // namespace tessaly

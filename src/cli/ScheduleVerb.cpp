// ScheduleVerb.cpp -- tessaly-cli schedule add|list|remove: scheduled backups in the user's crontab.
#include "cli/CliCommon.h"
#include "cli/ItemsOption.h"
#include "cli/PasswordOption.h"
#include "cli/Verbs.h"
#include "engine/history/RetentionPolicy.h"
#include "scheduler/CronScheduler.h"
#include "scheduler/DayList.h"
#include "scheduler/ProgramPaths.h"
#include "scheduler/ScheduledCommand.h"
#include "scheduler/StartTime.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

namespace tessaly::cli {

namespace {

const char* kUsage =
    "usage: tessaly-cli schedule add --identity NAME|KEY --out FILE --time H:MM\n"
    "                                [--days M,T,W,TH,F,S,SU|daily] [--items LIST]\n"
    "                                [--password-stdin] [--protection strong|compatible]\n"
    "                                [--program PATH] [--profile DIR] [--keep POLICY]\n"
    "       tessaly-cli schedule list\n"
    "       tessaly-cli schedule remove N\n"
    "add registers an unattended backup of the identity into FILE in your crontab, at H:MM on the\n"
    "given weekdays; without --days it runs once, at the next H:MM, and then removes itself.\n"
    "The password is read from the first line of standard input with --password-stdin, else from\n"
    "$TESSALY_PASSWORD; without either the backup has no password. The password is kept in a file\n"
    "only you can read, ~/.config/tessaly/jobs/job-N.password, which the crontab line names\n"
    "(TESSALY_PASSWORD_FILE); it stands neither in the crontab nor in the job's command line, and\n"
    "removing the task removes the file.\n"
    "--protection chooses the backup file's format (default: $TESSALY_PROTECTION, else compatible):\n"
    "strong needs a password and opens only with it; compatible opens in older versions, but also\n"
    "without the password with little effort.\n"
    "--keep (default: $TESSALY_KEEP, else 7d,4w,6m) keeps earlier backups beside FILE: counts of\n"
    "l (last), d (daily), w (weekly), m (monthly), y (yearly) backups; --keep none replaces FILE on\n"
    "every complete run. It goes on the crontab line as TESSALY_KEEP=POLICY.\n"
    "--program names the tessaly program the job starts (default: the one installed beside\n"
    "tessaly-cli). The job runs with WINEPREFIX set to the profile in use.\n"
    "list prints number, time, days, identity key, backup file, profile, protection and retention\n"
    "policy (\"none\" without one), TAB-separated.\n"
    "remove N removes Tessaly's task N; other lines of the crontab are never touched.\n";

const std::set<std::string> kValueOptions = {"--identity", "--out",     "--time",       "--days",
                                             "--items",    "--program", "--protection", "--keep"};

std::string daysText(const ScheduledJob& job) {
    if (job.once) {
        char date[24];
        std::snprintf(date, sizeof date, "once %02d/%02d", job.once->month, job.once->day);
        return date;
    }
    return DayListFromBits(job.daysOfWeek);
}

int runList(CronScheduler& scheduler) {
    for (const ScheduledJob& job : scheduler.jobs()) {
        if (!job.readable) {
            std::cout << job.number << "\t?\t?\t?\t?\t?\t?\t?\n";
            continue;
        }
        std::cout << job.number << '\t' << FormatStartTime(job.hour, job.minute) << '\t' << daysText(job)
                  << '\t' << job.identityKey << '\t' << job.backupFile << '\t' << job.winePrefix << '\t'
                  << job.protection << '\t' << (job.keep.empty() ? "none" : job.keep) << '\n';
    }
    return kExitOk;
}

int runAdd(const CommonOptions& common) {
    const std::map<std::string, std::string>& values = common.values;
    for (const char* required : {"--identity", "--out", "--time"})
        if (!values.count(required))
            return fail(kExitRefused, std::string("schedule add needs ") + required + "\n" + kUsage);
    std::string mask = BuildItemMask(itemsFromOption(common.value("--items")));
    auto time = ParseStartTime(values.at("--time"));
    if (!time)
        return fail(kExitRefused, "--time must be a time of day such as 9:00 or 21:30");
    uint8_t days = 0;
    if (values.count("--days")) {
        auto parsed = ParseDayChoice(values.at("--days"));
        if (!parsed || *parsed == 0)
            return fail(kExitRefused,
                        "--days takes weekday codes M,T,W,TH,F,S,SU separated by commas, or daily");
        days = *parsed;
    }
    // Cron starts the job in the home folder, so a relative path would land elsewhere.
    std::string backupFile = std::filesystem::absolute(values.at("--out")).string();
    std::filesystem::path program = values.count("--program")
                                        ? std::filesystem::absolute(values.at("--program"))
                                        : defaultScheduledProgram();

    const char* fromEnvironment = std::getenv(kProtectionVariable);
    std::string protection = common.value("--protection").value_or(fromEnvironment ? fromEnvironment : "");
    if (protection.empty() && !values.count("--protection"))
        protection = "compatible";
    if (protection != "strong" && protection != "compatible")
        return fail(kExitRefused,
                    "--protection (or $TESSALY_PROTECTION) must be strong or compatible, not \"" +
                        protection + "\"");

    const char* keepFromEnvironment = std::getenv(kScheduledKeepVariable);
    std::string keep = common.value("--keep").value_or(
        keepFromEnvironment && *keepFromEnvironment ? keepFromEnvironment : kScheduledKeepDefault);
    if (keep == "none")
        keep.clear();
    std::string keepError;
    auto policy = parseRetentionPolicy(keep, &keepError);
    if (!policy)
        return fail(kExitRefused, "--keep (or $TESSALY_KEEP): " + keepError);
    keep = formatRetentionPolicy(*policy);

    std::string password = passwordFromOptions(common.has("--password-stdin")).value_or("");
    if (protection == "strong" && password.empty())
        return fail(kExitRefused, "a strong backup file needs a password: give it with --password-stdin or "
                                  "$TESSALY_PASSWORD, or choose --protection compatible");

    TerminalUi ui(common.yes);
    auto session = openProfile(common, ui);
    // The job runs with WINEPREFIX set to the profile, which cannot name a Windows profile.
    if (session->profile().isWindowsProfile())
        return fail(kExitRefused, "a scheduled backup cannot use the Windows profile " +
                                      session->profile().prefix.string() +
                                      ": scheduled jobs run on a Wine prefix. Back it up now with "
                                      "tessaly-cli backup --profile DIR [--user NAME] instead");
    IdentityTable table;
    bool notInstalled = false;
    EnumerateIdentities(session->modReg(), table, notInstalled);
    const IdentityColumn* identity = findIdentity(table, values.at("--identity"));
    if (!identity)
        return fail(notInstalled ? kExitNoIdentities : kExitRefused,
                    "no identity named \"" + values.at("--identity") + "\" in the profile " +
                        session->profile().prefix.string());

    for (auto [what, value] :
         {std::pair{CarriedValue::Password, password}, std::pair{CarriedValue::IdentityKey, identity->key},
          std::pair{CarriedValue::BackupFile, backupFile},
          std::pair{CarriedValue::ProgramPath, program.string()}})
        if (auto why = WhyNotCarriable(what, value))
            return fail(kExitRefused, *why);
    if (!std::filesystem::exists(program))
        std::cerr << "tessaly-cli: warning: " << program.string()
                  << " does not exist; the job will fail until it does (see --program)" << std::endl;

    std::string command =
        BuildScheduledCommand(program.string(), identity->key, mask, password, backupFile, protection, keep);
    AT_INFO record = FillJobRecord(time->hour, time->minute, DayListFromBits(days), command);
    UserScheduler user(std::filesystem::absolute(session->profile().prefix), runningExecutable());
    uint32_t jobId = 0;
    std::string error;
    uint32_t result = user.scheduler().addJob(session->environment().computerName, record, jobId, &error);
    if (result != 0)
        return fail(result == kJobErrorInvalidParameter ? kExitRefused : kExitFailed,
                    "the task could not be scheduled: " + error);
    std::cout << "Task " << jobId << " has been scheduled." << std::endl;
    return kExitOk;
}

} // namespace

int runSchedule(const Args& args) {
    CommonOptions common = parseCommonOptions(args, kValueOptions, {"--password-stdin"});
    if (common.help) {
        std::cout << kUsage << kItemsHelp;
        return kExitOk;
    }
    const std::vector<std::string>& words = common.positional;
    if (words.empty())
        return fail(kExitRefused, std::string("schedule needs add, list or remove\n") + kUsage);
    const std::string& action = words[0];
    if (action == "add") {
        if (words.size() != 1)
            return fail(kExitRefused, "unexpected argument " + words[1]);
        return runAdd(common);
    }
    if (!common.values.empty() || !common.flags.empty())
        return fail(kExitRefused, "schedule " + action + " takes no options but --profile");
    CommandCrontab store;
    CronScheduler scheduler(store, "", runningExecutable());
    if (action == "list" && words.size() == 1)
        return runList(scheduler);
    if (action == "remove" && words.size() == 2) {
        const std::string& n = words[1];
        if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos)
            return fail(kExitRefused, "remove needs a task number");
        uint32_t number = static_cast<uint32_t>(std::stoul(n));
        if (!scheduler.removeJob(number))
            return fail(kExitRefused, "there is no scheduled task " + n);
        return kExitOk;
    }
    return fail(kExitRefused, std::string("schedule needs add, list or remove N\n") + kUsage);
}

} // namespace tessaly::cli

// CronSchedulerTest.cpp -- Tessaly's lines in a crontab: adding, numbering, once jobs, listing, removing, and
// the quoting that carries any text through cron and the shell.
#include "scheduler/CronScheduler.h"
#include "scheduler/CronQuote.h"
#include "scheduler/RunCommand.h"
#include "scheduler/ScheduledCommand.h"

#include "SchedulerTestSupport.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tessaly {
namespace {

using test::MemoryCrontab;

const std::string kOthers = "# my own jobs\nMAILTO=\"\"\n15 3 * * * echo TESSALY_JOB=9 50\\%\n"
                            "# 30 9 * * 1 TESSALY_JOB=4 commented out\n@reboot /usr/local/bin/x";

std::time_t localTime(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_min = minute;
    tm.tm_hour = hour;
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

AT_INFO record(uint32_t jobTime, uint8_t days, const std::string& file = "/b/x.tsy", uint8_t flags = 1) {
    AT_INFO info;
    info.JobTime = jobTime;
    info.DaysOfWeek = days;
    info.Flags = flags;
    info.Command = BuildScheduledCommand("/opt/t/tessaly", "K", "10000000", "", file);
    return info;
}

struct Fixture {
    MemoryCrontab store;
    test::TempDir home;
    std::filesystem::path jobs = home / ".config/tessaly/jobs";
    std::time_t now = localTime(2024, 12, 31, 10, 0); // a Tuesday
    CronScheduler scheduler{store, "/home/u/.wine", "/opt/t/tessaly-cli", [this] { return now; }, jobs};
};

TEST(CronScheduler, OneTaggedLinePerJobAndOtherLinesUntouched) {
    Fixture f;
    f.store.table = kOthers;
    uint32_t id = 0;
    ASSERT_EQ(f.scheduler.addJob("HOST", record(34200000, 65), id), 0u);
    EXPECT_EQ(id, 1u);
    const std::string first = "30 9 * * 1,7 TESSALY_JOB=1 WINEPREFIX='/home/u/.wine' '/opt/t/tessaly' "
                              "'sf=Kxm=10000000ps=bf=/b/x.tsy'\n";
    EXPECT_EQ(f.store.table, kOthers + "\n" + first);

    ASSERT_EQ(f.scheduler.addJob("HOST", record(0, 127, "/b/daily.tsy"), id), 0u);
    EXPECT_EQ(id, 2u);
    const std::string second = "0 0 * * * TESSALY_JOB=2 WINEPREFIX='/home/u/.wine' '/opt/t/tessaly' "
                               "'sf=Kxm=10000000ps=bf=/b/daily.tsy'\n";
    EXPECT_EQ(f.store.table, kOthers + "\n" + first + second);

    EXPECT_TRUE(f.scheduler.removeJob(1));
    EXPECT_EQ(f.store.table, kOthers + "\n" + second);
    int writes = f.store.writes;
    EXPECT_FALSE(f.scheduler.removeJob(1));
    EXPECT_FALSE(f.scheduler.removeJob(4)); // only a comment mentions it
    EXPECT_FALSE(f.scheduler.removeJob(9)); // someone else's line mentions it
    EXPECT_EQ(f.store.writes, writes);
    EXPECT_TRUE(f.scheduler.removeJob(2));
    EXPECT_EQ(f.store.table, kOthers + "\n");
}

TEST(CronScheduler, NewNumbersFollowTheHighest) {
    Fixture f;
    f.store.table =
        "5 1 * * 3 TESSALY_JOB=5 WINEPREFIX='/p' '/t' 'x'\n0 2 * * * TESSALY_JOB=12 edited by hand\n";
    uint32_t id = 0;
    ASSERT_EQ(f.scheduler.addJob("", record(60000, 1), id), 0u);
    EXPECT_EQ(id, 13u);
    EXPECT_TRUE(f.scheduler.removeJob(12));
    EXPECT_TRUE(f.scheduler.removeJob(13));
    ASSERT_EQ(f.scheduler.addJob("", record(60000, 1), id), 0u);
    EXPECT_EQ(id, 6u);
}

TEST(CronScheduler, RecordsWithoutWeekdaysRunOnceAtTheNextOccurrence) {
    struct Case {
        const char* name;
        std::time_t now;
        uint32_t jobTime;
        uint8_t days;
        uint8_t flags;
        std::string dateFields; // minute hour day month weekday
    };
    const std::time_t tuesdayTen = localTime(2024, 12, 31, 10, 0);
    const std::vector<Case> cases = {
        {"later today", tuesdayTen, 39600000, 0, 1, "0 11 31 12 *"},
        {"this very minute is past", tuesdayTen, 36000000, 0, 1, "0 10 1 1 *"},
        {"earlier today: tomorrow, in the new year", tuesdayTen, 32400000, 0, 1, "0 9 1 1 *"},
        {"not periodic, on a Monday", tuesdayTen, 32400000, 1, 0, "0 9 6 1 *"},
        {"not periodic, on a Tuesday later today", tuesdayTen, 39600000, 2, 0, "0 11 31 12 *"},
        {"leap day", localTime(2024, 2, 28, 23, 45), 900000, 0, 1, "15 0 29 2 *"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.now = c.now;
        uint32_t id = 0;
        ASSERT_EQ(f.scheduler.addJob("", record(c.jobTime, c.days, "/b/x.tsy", c.flags), id), 0u) << c.name;
        EXPECT_EQ(f.store.table,
                  c.dateFields + " TESSALY_JOB=1 WINEPREFIX='/home/u/.wine' '/opt/t/tessaly' "
                                 "'sf=Kxm=10000000ps=bf=/b/x.tsy'; '/opt/t/tessaly-cli' schedule remove 1\n")
            << c.name;
    }
}

TEST(CronScheduler, RecordsThatCannotBeALineAreRefusedAndChangeNothing) {
    struct Case {
        const char* name;
        AT_INFO info;
        std::string error;
    };
    AT_INFO seconds = record(30000, 1);
    AT_INFO tooLate = record(24u * 3600 * 1000, 1);
    AT_INFO monthDays = record(0, 1);
    monthDays.DaysOfMonth = 1;
    AT_INFO unquoted = record(0, 1);
    unquoted.Command = "/opt/t/tessaly sf=Kxm=1ps=bf=/x";
    AT_INFO longPath = record(0, 1, "/b/" + std::string(1000, 'x') + ".tsy");
    AT_INFO lineBreak = record(0, 1, "/b/a\nb.tsy");
    const std::vector<Case> cases = {{"seconds", seconds, "whole minute"},
                                     {"past midnight", tooLate, "whole minute"},
                                     {"days of the month", monthDays, "days of the month"},
                                     {"unquoted program", unquoted, "double quotes"},
                                     {"too long for cron", longPath, "cron takes at most 998"},
                                     {"line break", lineBreak, "line break"}};
    for (const Case& c : cases) {
        Fixture f;
        f.store.table = kOthers;
        uint32_t id = 77;
        std::string error;
        EXPECT_EQ(f.scheduler.addJob("", c.info, id, &error), kJobErrorInvalidParameter) << c.name;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(id, 77u) << c.name;
        EXPECT_EQ(f.store.writes, 0) << c.name;
    }
}

// A failing add is reported through the window (Frmoption) and keeps no password file (below).
TEST(CronScheduler, AStoreFailureIsReportedNotHidden) {
    Fixture f;
    f.store.failing = true;
    EXPECT_THROW(f.scheduler.jobs(), SchedulerError);
    EXPECT_THROW(f.scheduler.removeJob(1), SchedulerError);
}

TEST(CronScheduler, ListingReadsTheLinesBackWithoutThePassword) {
    Fixture f;
    f.store.table = kOthers + "\n30 9 * * 1 TESSALY_JOB=3 rm -rf /tmp/nothing\n";
    uint32_t id = 0;
    AT_INFO weekly = record(77400000, 96);
    weekly.Command = BuildScheduledCommand("/opt/t/tessaly", "{K-2}", "11000000", "s3cret %'",
                                           "/b/two  blanks/it's 100%.tsy");
    ASSERT_EQ(f.scheduler.addJob("", weekly, id), 0u);
    ASSERT_EQ(f.scheduler.addJob("", record(39600000, 0), id), 0u);
    auto jobs = f.scheduler.jobs();
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(std::tie(jobs[0].number, jobs[0].readable), std::make_tuple(3u, false));
    const ScheduledJob& w = jobs[1];
    EXPECT_FALSE(w.once);
    EXPECT_EQ(std::tie(w.readable, w.number, w.hour, w.minute, w.daysOfWeek, w.winePrefix, w.program,
                       w.identityKey, w.mask, w.backupFile),
              std::make_tuple(true, 4u, 21, 30, 96, std::string("/home/u/.wine"),
                              std::string("/opt/t/tessaly"), std::string("{K-2}"), std::string("11000000"),
                              std::string("/b/two  blanks/it's 100%.tsy")));
    const ScheduledJob& once = jobs[2];
    ASSERT_TRUE(once.once);
    EXPECT_EQ(std::tie(once.number, once.once->month, once.once->day, once.daysOfWeek),
              std::make_tuple(5u, 12, 31, 0));
}

TEST(CronScheduler, AStrongJobSetsItsProtectionBeforeTheProgramAndIsStillOurs) {
    Fixture f;
    f.store.table = kOthers;
    uint32_t id = 0;
    AT_INFO strong = record(34200000, 1);
    strong.Command = BuildScheduledCommand("/opt/t/tessaly", "K", "10000000", "pw", "/b/s.tsy", "strong");
    ASSERT_EQ(f.scheduler.addJob("", strong, id), 0u);
    ASSERT_EQ(f.scheduler.addJob("", record(34200000, 1), id), 0u);
    // The password went into a file of the job's own, which the line names instead of holding it.
    const std::filesystem::path secret = f.jobs / "job-1.password";
    EXPECT_EQ(f.store.table,
              kOthers +
                  "\n30 9 * * 1 TESSALY_JOB=1 WINEPREFIX='/home/u/.wine' TESSALY_PROTECTION=strong "
                  "TESSALY_PASSWORD_FILE='" +
                  secret.string() +
                  "' '/opt/t/tessaly' 'sf=Kxm=10000000ps=bf=/b/s.tsy'\n"
                  "30 9 * * 1 TESSALY_JOB=2 WINEPREFIX='/home/u/.wine' '/opt/t/tessaly' "
                  "'sf=Kxm=10000000ps=bf=/b/x.tsy'\n");
    EXPECT_EQ(test::readFile(secret), "pw");
    EXPECT_EQ(std::filesystem::status(secret).permissions(), std::filesystem::perms(0600));
    EXPECT_EQ(std::filesystem::status(f.jobs).permissions(), std::filesystem::perms(0700));
    auto jobs = f.scheduler.jobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(std::tie(jobs[0].readable, jobs[0].protection, jobs[0].program, jobs[0].backupFile,
                       jobs[0].passwordFile),
              std::make_tuple(true, std::string("strong"), std::string("/opt/t/tessaly"),
                              std::string("/b/s.tsy"), secret.string()));
    EXPECT_EQ(std::tie(jobs[1].protection, jobs[1].passwordFile),
              std::make_tuple(std::string("compatible"), std::string()));

    AT_INFO unknown = record(0, 1);
    unknown.Command = "TESSALY_PROTECTION=$(reboot) " + unknown.Command;
    std::string error;
    EXPECT_EQ(f.scheduler.addJob("", unknown, id, &error), kJobErrorInvalidParameter);
    EXPECT_NE(error.find("not a known name"), std::string::npos) << error;
    for (std::string bad : {"5 6 * * 1 TESSALY_JOB=8 WINEPREFIX='/p' OTHER=strong '/t' 'a'",
                            "5 6 * * 1 TESSALY_JOB=8 TESSALY_PROTECTION=strong WINEPREFIX='/p' '/t' 'a'"})
        EXPECT_FALSE(ParseCronLine(bad)) << bad;
}

TEST(CronScheduler, APasswordFileIsNewAndGoesWithItsLineOnly) {
    Fixture f;
    uint32_t id = 0;
    AT_INFO job = record(0, 1);
    job.Command = BuildScheduledCommand("/t", "K", "10000000", "new", "/b/x.tsy");
    // Left by a line removed by hand: no line has that number, so it is replaced, never followed.
    std::filesystem::create_directories(f.jobs);
    std::filesystem::create_symlink(f.home / "elsewhere", f.jobs / "job-1.password");
    ASSERT_EQ(f.scheduler.addJob("", job, id), 0u);
    EXPECT_EQ(test::readFile(f.jobs / "job-1.password"), "new");
    EXPECT_FALSE(std::filesystem::exists(f.home / "elsewhere"));

    // A crontab that cannot be written keeps no password file behind.
    f.store.failing = true;
    EXPECT_EQ(f.scheduler.addJob("", job, id), kJobErrorSchedulerFailed);
    f.store.failing = false;
    EXPECT_FALSE(std::filesystem::exists(f.jobs / "job-2.password"));

    // A line that names some other file (edited by hand) does not get that file removed.
    test::writeFile(f.home / "keep.password", "x");
    f.store.table += "0 0 * * 1 TESSALY_JOB=7 WINEPREFIX='/p' TESSALY_PASSWORD_FILE='" +
                     (f.home / "keep.password").string() + "' '/t' 'sf=Kxm=1ps=bf=/b'\n";
    ASSERT_TRUE(f.scheduler.jobs().back().readable);
    EXPECT_TRUE(f.scheduler.removeJob(7));
    EXPECT_TRUE(std::filesystem::exists(f.home / "keep.password"));
    EXPECT_TRUE(f.scheduler.removeJob(1));
    EXPECT_FALSE(std::filesystem::exists(f.jobs / "job-1.password"));
}

TEST(CronLineFormat, SundayIsSevenAndHandWrittenWeekdaysAreRead) {
    CronJobLine job;
    job.number = 8;
    job.hour = 6;
    job.minute = 5;
    job.daysOfWeek = 64 | 16;
    job.winePrefix = "/p";
    job.program = "/t";
    job.arguments = "a";
    std::string line = FormatCronLine(job);
    EXPECT_EQ(line, "5 6 * * 5,7 TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a'");
    const std::vector<std::pair<std::string, uint8_t>> fields = {{"0", 64},   {"7", 64},  {"1-5", 31},
                                                                 {"0,6", 96}, {"*", 127}, {"2,4", 10}};
    for (const auto& [field, bits] : fields) {
        auto parsed = ParseCronLine("5 6 * * " + field + " TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a'");
        ASSERT_TRUE(parsed) << field;
        EXPECT_EQ(parsed->daysOfWeek, bits) << field;
    }
    for (std::string bad :
         {"5 6 * * 8 TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a'",
          "5 25 * * 1 TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a'", "5 6 * * 1 TESSALY_JOB=8 '/t' 'a'",
          "5 6 * * 1 TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a' 'b'",
          "5 6 1 1 * TESSALY_JOB=8 WINEPREFIX='/p' '/t' 'a'",
          "5 6 * * 1 TESSALY_JOB=8 WINEPREFIX='/p '/t' 'a"})
        EXPECT_FALSE(ParseCronLine(bad)) << bad;
    for (std::string other :
         {"5 6 * * 1 TESSALY_JOB=x a", "5 6 * * 1 TESSALY_JOB=8", "5 6 * * 1 echo TESSALY_JOB=8 a",
          "#5 6 * * 1 TESSALY_JOB=8 a", "TESSALY_JOB=8 a b c d e f", "5 6 * * 1 TESSALY_JOB=0 a"})
        EXPECT_FALSE(TessalyJobNumber(other)) << other;
}

TEST(CommandCrontab, ThroughACrontabProgram) {
    test::TempDir dir;
    test::FakeCrontabProgram fake(dir.path());
    // Reading and writing through it is what tessaly-cli schedule does over the same program (ScheduleCli).
    CommandCrontab store(fake.program().string());
    store.write("a\nb\n");
    auto failure = [](const std::function<void()>& act) {
        try {
            act();
        } catch (const SchedulerError& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    test::writeFile(dir / "fail", "");
    EXPECT_NE(failure([&] { store.write("c\n"); }).find("errors in crontab file"), std::string::npos);
    EXPECT_EQ(fake.table(), "a\nb\n");
    CommandCrontab missing((dir / "no-such-crontab").string());
    EXPECT_NE(failure([&] { missing.read(); }).find("cron package"), std::string::npos);

    setenv("TESSALY_CRONTAB", "", 1); // set, it names the program, as every ScheduleCli run has it
    EXPECT_EQ(crontabProgram(), "crontab");
    unsetenv("TESSALY_CRONTAB");
}

TEST(RunCommand, FeedsAndDrainsMoreThanAPipeHolds) {
    std::string big;
    for (int i = 0; big.size() < 1 << 20; ++i)
        big += std::to_string(i) + '\n';
    CommandResult r = RunCommand({"/bin/sh", "-c", "cat; echo done >&2; exit 3"}, big);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, big);
    EXPECT_EQ(r.err, "done\n");
    CommandResult early = RunCommand({"/bin/sh", "-c", "exit 0"}, big); // does not read its input
    EXPECT_EQ(early.exitCode, 0);
}

TEST(CronScheduler, RetentionAndAFullRunTravelOnTheLineAsTessalyKeepAndTessalyFull) {
    Fixture f;
    uint32_t id = 0;
    AT_INFO kept = record(34200000, 127);
    kept.Command =
        BuildScheduledCommand("/opt/t/tessaly", "K", "00010000", "", "/b/k.tsy", "strong", "7d,4w,6m", true);
    ASSERT_EQ(f.scheduler.addJob("", kept, id), 0u);
    EXPECT_EQ(f.store.table, "30 9 * * * TESSALY_JOB=1 WINEPREFIX='/home/u/.wine' TESSALY_PROTECTION=strong "
                             "TESSALY_KEEP=7d,4w,6m TESSALY_FULL=1 '/opt/t/tessaly' "
                             "'sf=Kxm=00010000ps=bf=/b/k.tsy'\n");
    auto jobs = f.scheduler.jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(std::tie(jobs[0].keep, jobs[0].protection, jobs[0].full),
              std::make_tuple(std::string("7d,4w,6m"), std::string("strong"), true));

    struct Case {
        const char* assignments; // between WINEPREFIX and the program
        bool readable;
        const char* keep;
        bool full;
    };
    const Case cases[] = {
        {"", true, "", false},
        {"TESSALY_KEEP=5l ", true, "5l", false},
        {"TESSALY_KEEP=1y TESSALY_PROTECTION=strong ", true, "1y", false},
        {"TESSALY_FULL=1 ", true, "", true},
        {"TESSALY_FULL=1 TESSALY_PROTECTION=strong ", true, "", true},
        {"TESSALY_KEEP=5l TESSALY_KEEP=6l ", false, "", false},
        {"TESSALY_KEEP= ", false, "", false},
        {"TESSALY_PROTECTION= ", false, "", false},
        {"TESSALY_OTHER=1 ", false, "", false},
        {"TESSALY_FULL=0 ", false, "", false},
        {"TESSALY_FULL=1 TESSALY_FULL=1 ", false, "", false},
    };
    for (const Case& c : cases) {
        auto line = ParseCronLine(std::string("0 1 * * * TESSALY_JOB=2 WINEPREFIX='/p' ") + c.assignments +
                                  "'/t' 'sf=Kxm=1ps=bf=/b'");
        ASSERT_EQ(line.has_value(), c.readable) << c.assignments;
        auto parts = SplitScheduledCommand(std::string(c.assignments) + "\"/t\" sf=Kxm=1ps=bf=/b");
        ASSERT_EQ(parts.has_value(), c.readable) << c.assignments;
        if (line) {
            EXPECT_EQ(line->keep, c.keep) << c.assignments;
            EXPECT_EQ(line->full, c.full) << c.assignments;
            EXPECT_EQ(parts->full, c.full) << c.assignments;
        }
    }
    EXPECT_FALSE(SplitScheduledCommand("TESSALY_PROTECTION=strong")) << "no program";
    CronJobLine bad;
    bad.keep = "7d;rm";
    bad.program = "/t";
    EXPECT_THROW(FormatCronLine(bad), std::invalid_argument);
}

// Any text survives a crontab line, cron's "%" handling and /bin/sh unchanged.
const std::vector<std::string> kHardValues = {
    "",
    "plain",
    "two  blanks  ",
    "; $HOME % * \"",
    "%",
    "%%",
    "\\%",
    "\\\\%",
    "\\",
    "ends in a backslash\\",
    "\\\\server\\share\\b.tsy",
    "'",
    "'\"'\"'",
    "$(touch /tmp/tessaly-should-not-exist)",
    "`id`",
    "\ttab",
    "\xc3\xbc"
    "n\xc3\xaf c\xc3\xb8"
    "d\xc3\xa9 \xe2\x82\xac",
    "a;b|c&d>e<f",
    "#not a comment",
    "*",
    "~",
    "!x ${HOME}",
};

TEST(CronQuote, EveryValueReachesTheProgramExactly) {
    test::TempDir home;
    for (bool fold : {false, true}) {
        for (const std::string& value : kHardValues) {
            std::string line = "30 9 * * 1 /usr/bin/printf " + QuoteForCron("%s") + " " + QuoteForCron(value);
            std::string command = test::CommandAsCronRunsIt(line, fold);
            auto r = test::RunAsCron(command, home.path());
            EXPECT_EQ(r.exitCode, 0) << line << r.err;
            EXPECT_EQ(r.out, value) << "line: " << line << (fold ? " (folding cron)" : "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/tessaly-should-not-exist"));
}

TEST(CronQuote, OurReaderAgreesWithTheShell) {
    for (const std::string& value : kHardValues) {
        std::string command = "WINEPREFIX=" + QuoteForCron(value) + " " + QuoteForCron("/p/t") + " " +
                              QuoteForCron(value) + "; " + QuoteForCron("/p/cli") + " schedule remove 4";
        std::string rest;
        auto words = SplitShellWords(TranslateCronPercents(command).command, &rest);
        ASSERT_TRUE(words) << command;
        ASSERT_EQ(words->size(), 3u) << command;
        EXPECT_EQ((*words)[0], "WINEPREFIX=" + value);
        EXPECT_EQ((*words)[1], "/p/t");
        EXPECT_EQ((*words)[2], value);
        auto removal = SplitShellWords(rest);
        ASSERT_TRUE(removal);
        EXPECT_EQ(*removal, (std::vector<std::string>{"/p/cli", "schedule", "remove", "4"}));
    }
    EXPECT_FALSE(SplitShellWords("'unterminated"));
    EXPECT_FALSE(SplitShellWords("\"unterminated"));
    EXPECT_EQ(*SplitShellWords("a\\ b \"c \\\"d\" # e f"), (std::vector<std::string>{"a b", "c \"d"}));
}

TEST(CronQuote, LineBreaksCannotBeCarried) {
    for (const std::string& value : {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)})
        EXPECT_THROW(QuoteForCron(value), std::invalid_argument);
}

TEST(CronQuote, PercentSignsAsCronTreatsThem) {
    struct Case {
        std::string part, command, input;
    };
    const std::vector<Case> cases = {{"echo a%b%c", "echo a", "b\nc\n"},
                                     {"echo a\\%b", "echo a%b", ""},
                                     {"echo a\\\\%b", "echo a\\\\", "b\n"},
                                     {"echo 'x\\y'", "echo 'x\\y'", ""},
                                     {"echo %", "echo ", "\n"}};
    for (const Case& c : cases) {
        CronCommand cron = TranslateCronPercents(c.part);
        EXPECT_EQ(cron.command, c.command) << c.part;
        EXPECT_EQ(cron.input, c.input) << c.part;
        EXPECT_EQ(test::CommandAsCronRunsIt("* * * * * " + c.part), c.command) << c.part;
    }
}

} // namespace
} // namespace tessaly

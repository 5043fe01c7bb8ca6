// RealCrontabTest.cpp -- a job added through the window lands in the real crontab (in a private spool),
// runs without any environment and backs up to the exact path with the exact password, which no command
// line shows; removing it leaves everyone else's lines as they were. Our longest line is crontab's. A job
// with a retention policy, run as cron runs it on several (faked) days, keeps exactly the policy's files,
// and a run with a failed item leaves every earlier file as it was (a run stopped by a signal is
// StoppedCliBackup's, with a policy too).
#include "backupfile/BackupContainer.h"
#include "engine/history/BackupVersions.h"
#include "scheduler/CronScheduler.h"
#include "scheduler/RunCommand.h"
#include "scheduler/ui/Frmoption.h"

#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

#include <atomic>
#include <ranges>
#include <thread>

namespace tessaly {
namespace {

using test::click;
using test::control;

std::string crontabList() {
    CommandResult r = RunCommand({"crontab", "-l"});
    return r.exitCode == 0 ? r.out : "(crontab -l failed: " + r.err + ")";
}

TEST(RealCrontab, AWindowJobRunsWithoutAnyEnvironmentShowsNoPasswordAndRemovalLeavesOthers) {
    TESSALY_NEEDS_APP();
    TESSALY_USE_PRIVATE_SPOOL();
    const std::string others = "# my own jobs\nMAILTO=\"\"\n15 3 * * * echo 'nightly' >/dev/null 50\\%\n";
    ASSERT_EQ(RunCommand({"crontab", "-"}, others).exitCode, 0);
    ASSERT_EQ(crontabList(), others);

    test::ProfileCopy profile;
    const std::filesystem::path jobs = profile.dir / "config/tessaly/jobs";
    UserScheduler user(profile.prefix, TESSALY_CLI, jobs);
    FrmoptionSettings settings{"HOST", TESSALY_APP};
    // Strong, so that the key derivation keeps the job running long enough to be seen.
    settings.protection = Protection::Strong;
    Frmoption w(profile.session->modReg(), user.scheduler(), profile.ui, settings);
    std::filesystem::create_directories(profile.dir / "two  blanks");
    const std::string file = (profile.dir / "two  blanks" / "my  backup.tsy").string();
    const std::string visible = "Vz7-kept-out-of-sight"; // what no command line may show, in any quoting
    const std::string password = visible + "; $HOME % * \" \\%'";
    w.setTargetFileChooser([file](QWidget*) { return std::optional<QString>(QString::fromStdString(file)); });
    click(&w, "cmdTargetFile");
    for (const char* box : {"backupitem_0", "backupitem_2", "chkMonday", "chkSunday"})
        control<QCheckBox>(&w, box)->setChecked(true);
    control<QLineEdit>(&w, "txtPassword")->setText(QString::fromStdString(password));
    control<QLineEdit>(&w, "txtPassword2")->setText(QString::fromStdString(password));
    control<QComboBox>(&w, "cmbStartTime")->setCurrentText("9:30");
    click(&w, "Command3");
    ASSERT_EQ(profile.ui.messages.size(), 1u);
    ASSERT_EQ(profile.ui.messages[0].text, "Task 1 has been scheduled.");
    const std::string table = crontabList();
    ASSERT_TRUE(table.starts_with(others)) << table;
    ASSERT_EQ(table.find(visible), std::string::npos) << table;
    const std::string line = test::LineOfJob(table, 1);
    ASSERT_TRUE(line.starts_with("30 9 * * 1,7 TESSALY_JOB=1 WINEPREFIX=")) << table;
    EXPECT_NE(line.find(" TESSALY_PASSWORD_FILE='" + (jobs / "job-1.password").string() + "' "),
              std::string::npos)
        << line;

    // While a job runs, every local user can read the command lines of its processes.
    std::atomic<bool> done = false;
    test::RunResult run;
    std::thread job([&] {
        run = test::runProgram({"/usr/bin/env", "-i", "/bin/sh", "-c", test::CommandAsCronRunsIt(line)});
        done = true;
    });
    int seen = 0;
    std::string leak;
    while (!done) {
        CommandResult ps = RunCommand({"ps", "-eo", "args"});
        if (ps.out.find(visible) != std::string::npos)
            leak = ps.out;
        if (ps.out.find(" sf=" + test::kMainIdentity) != std::string::npos ||
            ps.out.find("'sf=" + test::kMainIdentity) != std::string::npos)
            ++seen;
    }
    job.join();
    EXPECT_EQ(run.exitCode, 0) << line << "\n" << run.out << run.err;
    EXPECT_EQ(detectProtection(file), Protection::Strong);
    EXPECT_GT(seen, 0) << "the job's processes were never seen running";
    EXPECT_EQ(leak, "");
    auto verify = test::runProgram({TESSALY_CLI, "verify", file},
                                   {{"WINEPREFIX", profile.prefix.string()}, {"TESSALY_PASSWORD", password}});
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;

    // A job whose password file others could read does not run.
    std::filesystem::permissions(jobs / "job-1.password", std::filesystem::perms::group_read,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(file);
    auto exposed = test::runProgram({"/usr/bin/env", "-i", "/bin/sh", "-c", test::CommandAsCronRunsIt(line)});
    EXPECT_EQ(exposed.exitCode, 2);
    EXPECT_NE(exposed.err.find("readable by you alone"), std::string::npos) << exposed.err;
    EXPECT_FALSE(std::filesystem::exists(file));

    test::whenModalOpens([](QWidget* tasks) {
        auto* list = control<QTreeWidget>(tasks, "lvwTasks");
        ASSERT_EQ(list->topLevelItemCount(), 1);
        list->setCurrentItem(list->topLevelItem(0));
        click(tasks, "cmdRemove");
        click(tasks, "cmdClose");
    });
    click(&w, "Command1");
    EXPECT_EQ(crontabList(), others);
    EXPECT_FALSE(std::filesystem::exists(jobs / "job-1.password"));
}

TEST(RealCrontab, TheLongestLineWeWriteIsTheLongestCrontabTakes) {
    TESSALY_USE_PRIVATE_SPOOL();
    CommandCrontab store;
    CronScheduler scheduler(store, "/p", "/cli");
    // A strong job's protection setting counts against the limit like the rest of the command.
    for (const std::string protection : {"", "TESSALY_PROTECTION=strong "}) {
        ASSERT_EQ(RunCommand({"crontab", "-"}, "").exitCode, 0);
        AT_INFO info;
        info.DaysOfWeek = 1;
        info.Flags = JOB_RUN_PERIODICALLY;
        std::string path = "/b/";
        std::string longest;
        for (;; path += 'x') {
            info.Command = protection + "\"/t\" sf=Kxm=10000000ps=bf=" + path + ".tsy";
            try {
                longest = scheduler.lineFor(info, 1);
            } catch (const std::invalid_argument&) {
                break;
            }
        }
        info.Command = protection + "\"/t\" sf=Kxm=10000000ps=bf=" + path.substr(0, path.size() - 1) + ".tsy";
        uint32_t id = 0;
        std::string error;
        ASSERT_EQ(scheduler.addJob("", info, id, &error), 0u) << error;
        EXPECT_EQ(crontabList(), longest + "\n");
        // One character more is what our limit refuses, and so does crontab.
        std::string tooLong = longest;
        tooLong.insert(tooLong.find(".tsy'"), "x");
        CommandResult r = RunCommand({"crontab", "-"}, tooLong + "\n");
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE(r.err.find("command too long"), std::string::npos) << r.err;
        EXPECT_TRUE(scheduler.removeJob(1)) << protection;
    }
}

namespace fs = std::filesystem;

std::map<std::string, std::string> versionBytes(const fs::path& target) {
    std::map<std::string, std::string> found;
    for (const BackupVersion& v : listVersions(target))
        found[v.file.filename().string()] = test::readFile(v.file);
    return found;
}

// Seconds since the epoch of a UTC stamp "YYYY-MM-DD_HHMMSS".
std::string utc(const char* stamp) {
    std::tm tm{};
    std::sscanf(stamp, "%4d-%2d-%2d_%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return std::to_string(timegm(&tm));
}

TEST(RealCrontab, AJobWithARetentionPolicyKeepsExactlyThePolicysFiles) {
    TESSALY_NEEDS_APP();
    TESSALY_USE_PRIVATE_SPOOL();
    test::ProfileCopy profile;
    const fs::path target = profile.dir / "mail.tsy";
    const std::map<std::string, std::optional<std::string>> env = {{"WINEPREFIX", profile.prefix.string()},
                                                                   {"HOME", profile.dir.path().string()},
                                                                   {"TESSALY_CRONTAB", std::nullopt},
                                                                   {"TESSALY_KEEP", std::nullopt},
                                                                   {"TESSALY_PASSWORD", "pw"}};
    auto add = test::runProgram({TESSALY_CLI, "schedule", "add", "--identity", "Main Identity", "--out",
                                 target.string(), "--time", "3:00", "--days", "daily", "--items", "messages",
                                 "--keep", "2d,1w", "--program", TESSALY_APP},
                                env);
    ASSERT_EQ(add.exitCode, 0) << add.err;
    const std::string line = test::LineOfJob(RunCommand({"crontab", "-l"}).out, 1);
    ASSERT_NE(line.find(" TESSALY_KEEP=2d,1w "), std::string::npos) << line;
    const std::string command = test::CommandAsCronRunsIt(line);
    auto runOn = [&](const char* stamp) {
        return test::RunAsCron(command, profile.dir.path(),
                               {{"TESSALY_TEST_CLOCK", utc(stamp)}, {"TZ", "UTC0"}});
    };

    // Monday to Wednesday of one ISO week, then Tuesday and Wednesday of the next.
    for (const char* day :
         {"2026-11-02_03", "2026-11-03_03", "2026-11-04_03", "2026-11-10_03", "2026-11-11_03"}) {
        auto run = runOn(day);
        ASSERT_EQ(run.exitCode, 0) << day << "\n" << run.err;
    }
    // 2 daily: the 11th and the 10th; 1 weekly: that week is used up by them, the week before gives the 4th.
    const auto kept = versionBytes(target);
    EXPECT_EQ(
        std::set<std::string>(std::views::keys(kept).begin(), std::views::keys(kept).end()),
        (std::set<std::string>{"mail.tsy", "mail.2026-11-10_030000.tsy", "mail.2026-11-04_030000.tsy"}));
    auto verify = test::runProgram({TESSALY_CLI, "verify", target.string()}, env);
    EXPECT_EQ(verify.exitCode, 0) << verify.err;

    // The message stores out of reach: the item fails, the run says so, and keeps its file aside.
    const fs::path stores = profile.prefix /
                            "drive_c/users/sample/Local Settings/Application Data/Identities" /
                            "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}/Microsoft/Outlook Express";
    fs::rename(stores, stores.string() + ".away");
    auto failed = runOn("2026-11-12_03");
    fs::rename(stores.string() + ".away", stores);
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_NE(failed.err.find("mail.2026-11-12_030000.partial.tsy"), std::string::npos) << failed.err;
    auto afterFailure = versionBytes(target);
    afterFailure.erase("mail.2026-11-12_030000.partial.tsy");
    EXPECT_EQ(afterFailure, kept);
}

} // namespace
} // namespace tessaly

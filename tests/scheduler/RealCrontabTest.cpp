// RealCrontabTest.cpp -- a job added through the window lands in the real crontab (in a private spool),
// runs as cron runs it and backs up to the exact path with the exact password; removing it leaves
// everyone else's lines as they were.
#include "backupfile/BackupContainer.h"
#include "scheduler/CronScheduler.h"
#include "scheduler/RunCommand.h"
#include "scheduler/ui/Frmoption.h"

#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

#include <atomic>
#include <thread>

namespace tessaly {
namespace {

using test::click;
using test::control;

std::string crontabList() {
    CommandResult r = RunCommand({"crontab", "-l"});
    return r.exitCode == 0 ? r.out : "(crontab -l failed: " + r.err + ")";
}

TEST(RealCrontab, WindowJobRunsAsCronWouldAndRemovalLeavesOthers) {
    TESSALY_NEEDS_APP();
    TESSALY_USE_PRIVATE_SPOOL();
    const std::string others = "# my own jobs\nMAILTO=\"\"\n15 3 * * * echo 'nightly' >/dev/null 50\\%\n";
    ASSERT_EQ(RunCommand({"crontab", "-"}, others).exitCode, 0);
    ASSERT_EQ(crontabList(), others);

    test::ProfileCopy profile;
    const std::filesystem::path jobs = profile.dir / "config/tessaly/jobs";
    UserScheduler user(profile.prefix, TESSALY_CLI, jobs);
    Frmoption w(profile.session->modReg(), user.scheduler(), profile.ui,
                FrmoptionSettings{"HOST", TESSALY_APP});
    std::filesystem::create_directories(profile.dir / "two  blanks");
    const std::string file = (profile.dir / "two  blanks" / "my  backup.tsy").string();
    const QString password = QString::fromUtf8("; $HOME % * \" \\%'");
    w.setTargetFileChooser([file](QWidget*) { return std::optional<QString>(QString::fromStdString(file)); });
    click(&w, "cmdTargetFile");
    for (const char* box : {"backupitem_0", "backupitem_2", "chkMonday", "chkSunday", "ifprotect"})
        control<QCheckBox>(&w, box)->setChecked(true);
    control<QLineEdit>(&w, "txtPassword")->setText(password);
    control<QLineEdit>(&w, "txtPassword2")->setText(password);
    control<QComboBox>(&w, "cmbStartTime")->setCurrentText("9:30");
    click(&w, "Command3");
    ASSERT_EQ(profile.ui.messages.size(), 1u);
    ASSERT_EQ(profile.ui.messages[0].text, "Task 1 has been scheduled.");

    std::string table = crontabList();
    ASSERT_TRUE(table.starts_with(others)) << table;
    std::string line = test::LineOfJob(table, 1);
    ASSERT_TRUE(line.starts_with("30 9 * * 1,7 TESSALY_JOB=1 WINEPREFIX=")) << table;
    EXPECT_NE(line.find(" TESSALY_PASSWORD_FILE='" + (jobs / "job-1.password").string() + "' "),
              std::string::npos)
        << line;

    auto run = test::RunAsCron(test::CommandAsCronRunsIt(line), profile.dir.path());
    EXPECT_EQ(run.exitCode, 0) << line << "\n" << run.out << run.err;
    ASSERT_TRUE(std::filesystem::exists(file)) << run.err;
    auto verify =
        test::runProgram({TESSALY_CLI, "verify", file}, {{"WINEPREFIX", profile.prefix.string()},
                                                         {"TESSALY_PASSWORD", password.toStdString()}});
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    auto wrong = test::runProgram({TESSALY_CLI, "verify", file}, {{"WINEPREFIX", profile.prefix.string()},
                                                                  {"TESSALY_PASSWORD", "; $HOME % * \""}});
    EXPECT_EQ(wrong.exitCode, 2) << wrong.out << wrong.err;

    test::whenModalOpens([](QWidget* tasks) {
        auto* list = control<QTreeWidget>(tasks, "lvwTasks");
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(4).toStdString().find("my  backup.tsy") != std::string::npos,
                  true);
        list->setCurrentItem(list->topLevelItem(0));
        click(tasks, "cmdRemove");
        click(tasks, "cmdClose");
    });
    click(&w, "Command1");
    EXPECT_EQ(crontabList(), others);
    EXPECT_FALSE(std::filesystem::exists(jobs / "job-1.password"));
}

// While a job runs, every local user can read the command lines of its processes.
TEST(RealCrontab, AJobRunsWithoutAnyEnvironmentAndItsPasswordIsInNoCommandLine) {
    TESSALY_NEEDS_APP();
    TESSALY_USE_PRIVATE_SPOOL();
    ASSERT_EQ(RunCommand({"crontab", "-"}, "").exitCode, 0);
    test::ProfileCopy profile;
    const std::filesystem::path jobs = profile.dir / "config/tessaly/jobs";
    UserScheduler user(profile.prefix, TESSALY_CLI, jobs);
    FrmoptionSettings settings{"HOST", TESSALY_APP};
    // Strong, so that the key derivation keeps the job running long enough to be seen.
    settings.protection = Protection::Strong;
    Frmoption w(profile.session->modReg(), user.scheduler(), profile.ui, settings);
    const std::string file = (profile.dir / "env-free.tsy").string();
    const QString password = "Vz7-kept-out-of-sight";
    w.setTargetFileChooser([file](QWidget*) { return std::optional<QString>(QString::fromStdString(file)); });
    click(&w, "cmdTargetFile");
    for (const char* box : {"backupitem_0", "backupitem_1", "backupitem_2", "chkDaily"})
        control<QCheckBox>(&w, box)->setChecked(true);
    control<QLineEdit>(&w, "txtPassword")->setText(password);
    control<QLineEdit>(&w, "txtPassword2")->setText(password);
    click(&w, "Command3");
    const std::string table = crontabList();
    ASSERT_EQ(table.find(password.toStdString()), std::string::npos) << table;
    const std::string line = test::LineOfJob(table, 1);
    ASSERT_FALSE(line.empty()) << table;

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
        if (ps.out.find(password.toStdString()) != std::string::npos)
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
    auto verify =
        test::runProgram({TESSALY_CLI, "verify", file}, {{"WINEPREFIX", profile.prefix.string()},
                                                         {"TESSALY_PASSWORD", password.toStdString()}});
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;

    // A job whose password file others could read does not run.
    std::filesystem::permissions(jobs / "job-1.password", std::filesystem::perms::group_read,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(file);
    auto exposed = test::runProgram({"/usr/bin/env", "-i", "/bin/sh", "-c", test::CommandAsCronRunsIt(line)});
    EXPECT_EQ(exposed.exitCode, 2);
    EXPECT_NE(exposed.err.find("readable by you alone"), std::string::npos) << exposed.err;
    EXPECT_FALSE(std::filesystem::exists(file));
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
        EXPECT_EQ(crontabList(), longest + "\n");
        EXPECT_TRUE(scheduler.removeJob(1)) << protection;
    }
}

TEST(RealCrontab, AStrongJobFromTheCliWritesAStrongFileWhenCronRunsIt) {
    TESSALY_NEEDS_APP();
    TESSALY_USE_PRIVATE_SPOOL();
    test::ProfileCopy profile;
    const std::filesystem::path file = profile.dir / "strong.tsy";
    const std::map<std::string, std::optional<std::string>> env = {
        {"WINEPREFIX", profile.prefix.string()}, {"HOME", profile.dir.path().string()},
        {"XDG_CONFIG_HOME", std::nullopt},       {"TESSALY_CRONTAB", std::nullopt},
        {"TESSALY_PROTECTION", std::nullopt},    {"TESSALY_PASSWORD", "pw-Strong"}};
    auto add = test::runProgram({TESSALY_CLI, "schedule", "add", "--identity", "Main Identity", "--out",
                                 file.string(), "--time", "3:00", "--days", "W", "--items", "accounts",
                                 "--protection", "strong", "--program", TESSALY_APP},
                                env);
    ASSERT_EQ(add.exitCode, 0) << add.err;
    std::string line = test::LineOfJob(crontabList(), 1);
    const std::string secret = (profile.dir / ".config/tessaly/jobs/job-1.password").string();
    ASSERT_NE(line.find(" TESSALY_PROTECTION=strong TESSALY_KEEP=7d,4w,6m TESSALY_PASSWORD_FILE='" + secret +
                        "' '" + std::string(TESSALY_APP) + "' 'sf="),
              std::string::npos)
        << line;
    EXPECT_EQ(line.find("pw-Strong"), std::string::npos) << line;
    auto list = test::runProgram({TESSALY_CLI, "schedule", "list"}, env);
    EXPECT_TRUE(list.out.ends_with("\tstrong\t7d,4w,6m\n")) << list.out;

    auto run = test::RunAsCron(test::CommandAsCronRunsIt(line), profile.dir.path());
    EXPECT_EQ(run.exitCode, 0) << line << "\n" << run.out << run.err;
    EXPECT_EQ(detectProtection(file), Protection::Strong);
    EXPECT_EQ(test::runProgram({TESSALY_CLI, "verify", file.string()}, env).exitCode, 0);
    auto wrong = env;
    wrong["TESSALY_PASSWORD"] = "pw-strong";
    EXPECT_EQ(test::runProgram({TESSALY_CLI, "verify", file.string()}, wrong).exitCode, 2);
}

} // namespace
} // namespace tessaly

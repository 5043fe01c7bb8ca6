// ScheduleCliTest.cpp -- tessaly-cli schedule add|list|remove over a fake crontab program, and a job
// that runs once, run as cron runs it.
#include "../cli/CliKit.h"
#include "SchedulerTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessaly {
namespace {

using test::runProgram;

const std::string kMain = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}"; // "Main Identity" of the sample

// The sample profile, with a fake crontab program in place of the real one.
class ScheduleCli : public test::SampleProfileCli {
protected:
    std::filesystem::path cronDir = dir / "cron";
    std::unique_ptr<test::FakeCrontabProgram> crontab;

    void SetUp() override {
        SampleProfileCli::SetUp();
        std::filesystem::create_directories(cronDir);
        crontab = std::make_unique<test::FakeCrontabProgram>(cronDir);
        env.insert({{"XDG_CONFIG_HOME", std::nullopt}, {"TESSALY_CRONTAB", crontab->program().string()}});
    }
    test::RunResult cli(std::vector<std::string> args, std::optional<std::string> password = std::nullopt,
                        const std::string& input = "", std::optional<std::string> protection = std::nullopt) {
        env["TESSALY_PASSWORD"] = password;
        env["TESSALY_PROTECTION"] = protection;
        return SampleProfileCli::cli(args, input);
    }
};

TEST_F(ScheduleCli, AddListRemove) {
    std::string file = (dir / "two  blanks.tsy").string();
    auto add = cli({"schedule", "add", "--identity", "Main Identity", "--out", file, "--time", "21:30",
                    "--days", "m,SU", "--items", "accounts,rules", "--program", "/opt/t/tessaly"},
                   "Zq9-s3cret");
    ASSERT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(add.out, "Task 1 has been scheduled.\n");
    EXPECT_NE(add.err.find("/opt/t/tessaly does not exist"), std::string::npos) << add.err;
    // A new job keeps 7 daily, 4 weekly and 6 monthly earlier backups unless told otherwise, and its
    // password in a private file.
    const std::filesystem::path secret = dir / ".config/tessaly/jobs/job-1.password";
    EXPECT_EQ(crontab->table(), "30 21 * * 1,7 TESSALY_JOB=1 WINEPREFIX='" + prefix.string() +
                                    "' TESSALY_KEEP=7d,4w,6m TESSALY_PASSWORD_FILE='" + secret.string() +
                                    "' '/opt/t/tessaly' 'sf=" + kMain + "xm=10100000ps=bf=" + file + "'\n");
    EXPECT_EQ(test::readFile(secret), "Zq9-s3cret");

    auto second = cli({"schedule", "add", "--identity", kMain, "--out", "rel.tsy", "--time", "6:00", "--days",
                       "daily", "--program", "/opt/t/tessaly", "--keep", "none"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(test::LineOfJob(*crontab->table(), 2).find("TESSALY_KEEP"), std::string::npos);
    EXPECT_EQ(second.out, "Task 2 has been scheduled.\n");

    auto list = cli({"schedule", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    // A relative --out is taken from the folder tessaly-cli ran in, as cron would not know it.
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(list.out, "1\t21:30\tM,SU\t" + kMain + "\t" + file + "\t" + prefix.string() +
                            "\tcompatible\t7d,4w,6m\n" + "2\t6:00\t" + "M,T,W,TH,F,S,SU\t" + kMain + "\t" +
                            cwd + "/rel.tsy\t" + prefix.string() + "\tcompatible\tnone\n");

    EXPECT_EQ(cli({"schedule", "remove", "1"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(secret));
    auto again = cli({"schedule", "remove", "1"});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("there is no scheduled task 1"), std::string::npos);
    EXPECT_EQ(cli({"schedule", "remove", "2"}).exitCode, 0);
    EXPECT_EQ(crontab->table(), "");
}

TEST_F(ScheduleCli, TheChosenProtectionGoesOnTheLineFromTheOptionElseTheEnvironment) {
    struct Case {
        std::vector<std::string> option;
        std::optional<std::string> environment;
        std::string listed;
    };
    const std::vector<Case> cases = {{{"--protection", "strong"}, std::nullopt, "strong"},
                                     {{}, "strong", "strong"},
                                     {{"--protection", "compatible"}, "strong", "compatible"},
                                     {{}, "", "compatible"}};
    for (size_t i = 0; i < cases.size(); ++i) {
        std::vector<std::string> args = {"schedule", "add",      "--identity", "Main Identity",
                                         "--out",    "/b/x.tsy", "--time",     "9:00",
                                         "--keep",   "none",     "--program",  "/opt/t/tessaly"};
        args.insert(args.end(), cases[i].option.begin(), cases[i].option.end());
        auto add = cli(args, "pw", "", cases[i].environment);
        ASSERT_EQ(add.exitCode, 0) << add.err;
        std::string line = test::LineOfJob(*crontab->table(), static_cast<unsigned>(i + 1));
        bool strong = cases[i].listed == "strong";
        EXPECT_EQ(line.find("' TESSALY_PROTECTION=strong TESSALY_PASSWORD_FILE='") != std::string::npos,
                  strong)
            << line;
        EXPECT_EQ(line.find("TESSALY_PROTECTION") != std::string::npos, strong) << line;
    }
    std::istringstream list(cli({"schedule", "list"}).out);
    std::string row;
    for (const Case& c : cases) {
        ASSERT_TRUE(std::getline(list, row));
        EXPECT_TRUE(row.ends_with("\t" + c.listed + "\tnone")) << row;
    }
}

TEST_F(ScheduleCli, RefusalsRegisterNothing) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> password;
        std::string error;
    };
    const std::string out = (dir / "b.tsy").string();
    auto add = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"schedule", "add", "--program", "/opt/t/tessaly"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const std::vector<Case> cases = {
        {add({"--identity", "Main Identity", "--out", out, "--time", "9:00"}), "a=b",
         "The password cannot contain \"=\""},
        {add({"--identity", "Main Identity", "--out", (dir / "a=b.tsy").string(), "--time", "9:00"}),
         {},
         "The backup file path cannot contain \"=\""},
        {add({"--identity", "Main Identity", "--out", out, "--time", "25:00"}), {}, "--time"},
        {add({"--identity", "Main Identity", "--out", out, "--time", "9:00", "--protection", "strong"}),
         {},
         "a strong backup file needs a password"},
        {add({"--identity", "Main Identity", "--out", out, "--time", "9:00", "--protection", "Strong"}), "pw",
         "must be strong or compatible, not \"Strong\""},
        {add({"--identity", "Main Identity", "--out", out, "--time", "9:00", "--days", "MO"}), {}, "--days"},
        {add({"--identity", "Main Identity", "--out", out, "--time", "9:00", "--items", "mail"}), {}, "mail"},
        {add({"--identity", "Nobody", "--out", out, "--time", "9:00"}), {}, "no identity named \"Nobody\""},
        {add({"--identity", "Main Identity", "--time", "9:00"}), {}, "needs --out"},
        {add({"--identity", "Main Identity", "--out", out, "--time"}), {}, "--time needs a value"},
        {{"schedule"}, {}, "schedule needs add, list or remove"},
        {{"schedule", "remove", "x1"}, {}, "remove needs a task number"},
        {{"schedule", "list", "--time", "9:00"}, {}, "takes no options"},
    };
    for (const Case& c : cases) {
        auto r = cli(c.args, c.password);
        EXPECT_EQ(r.exitCode, 2) << c.error << "\n" << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(crontab->table(), std::nullopt) << c.error;
    }
}

TEST_F(ScheduleCli, AJobThatRunsOnceBacksUpAndRemovesItsLine) {
    TESSALY_NEEDS_APP();
    const std::string others = "# keep\n0 4 * * * echo 'not ours' 100\\%\n";
    test::writeFile(crontab->tableFile(), others);
    const std::string password = "; $HOME % * \" \\%'";
    std::filesystem::create_directories(dir / "out  folder");
    std::string file = (dir / "out  folder" / "b  1.tsy").string();
    auto weekly = cli({"schedule", "add", "--identity", "Main Identity", "--out", file + ".weekly", "--time",
                       "3:00", "--days", "W"});
    ASSERT_EQ(weekly.exitCode, 0) << weekly.err;
    // Without --program the job runs the tessaly program found from tessaly-cli's own place.
    EXPECT_EQ(weekly.err, "");
    EXPECT_NE(test::LineOfJob(*crontab->table(), 1)
                  .find(" '" + std::filesystem::canonical(TESSALY_APP).string() + "' 'sf="),
              std::string::npos)
        << *crontab->table();
    // --password-stdin wins over the environment; both are given to see which is taken.
    auto add = cli({"schedule", "add", "--identity", "Main Identity", "--out", file, "--time", "3:00",
                    "--items", "accounts,rules", "--program", TESSALY_APP, "--password-stdin"},
                   "not this one", password + "\n");
    ASSERT_EQ(add.exitCode, 0) << add.err;
    ASSERT_EQ(add.out, "Task 2 has been scheduled.\n");
    std::string table = *crontab->table();
    std::string line = test::LineOfJob(table, 2);
    ASSERT_FALSE(line.empty()) << table;
    EXPECT_NE(line.find(" * TESSALY_JOB=2 "), std::string::npos) << line; // a date, any weekday
    EXPECT_NE(line.find("; '" + std::string(TESSALY_CLI) + "' schedule remove 2"), std::string::npos) << line;

    auto run = test::RunAsCron(test::CommandAsCronRunsIt(line), dir.path(),
                               {{"TESSALY_CRONTAB", crontab->program().string()}});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_TRUE(std::filesystem::exists(file)) << run.err;
    // The job's line is gone, the first add's line and the others' lines are as they were.
    std::string after = *crontab->table();
    EXPECT_TRUE(after.starts_with(others)) << after;
    EXPECT_TRUE(test::LineOfJob(after, 2).empty()) << after;
    EXPECT_FALSE(test::LineOfJob(after, 1).empty()) << after;
    EXPECT_FALSE(std::filesystem::exists(dir / ".config/tessaly/jobs/job-2.password"));

    auto verify = runProgram({TESSALY_CLI, "verify", file},
                             {{"WINEPREFIX", prefix.string()}, {"TESSALY_PASSWORD", password}});
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
}

} // namespace
} // namespace tessaly

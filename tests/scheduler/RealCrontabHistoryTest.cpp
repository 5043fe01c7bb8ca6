// RealCrontabHistoryTest.cpp -- a scheduled job with a retention policy, run as cron runs it on several
// (faked) days, keeps exactly the policy's files; a run with a failed item and a run stopped by SIGTERM
// leave every earlier file as it was.
#include "engine/history/BackupVersions.h"
#include "scheduler/RunCommand.h"

#include "WindowTestSupport.h"

#include <csignal>
#include <random>
#include <ranges>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tessaly {
namespace {

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

    // Stopped by SIGTERM half-way through a big store: nothing of the target's versions changes.
    std::mt19937 rng(7);
    std::string big(48 << 20, '\0');
    for (char& c : big)
        c = static_cast<char>(rng());
    test::writeFile(stores / "Big.dbx", big);
    const auto beforeStop = versionBytes(target);
    std::vector<std::string> envText = {"HOME=" + profile.dir.path().string(), "PATH=/usr/bin:/bin",
                                        "TZ=UTC0", "TESSALY_TEST_CLOCK=" + utc("2026-11-13_03")};
    std::vector<char*> envp = {envText[0].data(), envText[1].data(), envText[2].data(), envText[3].data(),
                               nullptr};
    std::string shell = "/bin/sh", dashC = "-c", cmd = command;
    char* argv[] = {shell.data(), dashC.data(), cmd.data(), nullptr};
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, &attr, argv, envp.data()), 0);
    posix_spawnattr_destroy(&attr);
    // Wait until the run has made its temporary file beside the target, then stop it.
    auto entries = [&] {
        return std::distance(fs::directory_iterator(profile.dir.path()), fs::directory_iterator());
    };
    const auto quiet = entries();
    for (int i = 0; i < 500 && entries() == quiet; ++i)
        usleep(10000);
    ASSERT_EQ(kill(-pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0)) << status;
    EXPECT_EQ(versionBytes(target), beforeStop);
}

} // namespace
} // namespace tessaly

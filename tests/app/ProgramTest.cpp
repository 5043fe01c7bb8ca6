// ProgramTest.cpp -- the tessaly program itself: the scheduled run without a display, the window until a
// signal.
#include "RunProgram.h"
#include "TempDir.h"

#include "backupfile/BackupContainer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessaly::test {
namespace {

const std::string kMain = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";

class Program : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path prefix = dir / "prefix";
    std::filesystem::path tmp = dir / "tmp";

    void SetUp() override {
        copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        std::filesystem::create_directories(tmp);
    }
    // The environment of a session without a display.
    std::map<std::string, std::optional<std::string>> headless() const {
        return {{"WINEPREFIX", prefix.string()},   {"TMPDIR", tmp.string()},
                {"HOME", dir.path().string()},     {"DISPLAY", std::nullopt},
                {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}};
    }
    void TearDown() override {
        std::string left;
        for (const auto& e : std::filesystem::recursive_directory_iterator(tmp))
            left += e.path().string() + " ";
        EXPECT_TRUE(left.empty()) << "temporary files left behind: " << left;
    }
};

// A refused run writes nothing; a strong file opening only with its password is the readers' test.
TEST_F(Program, ScheduledRunNeedsNoDisplayAndWritesTheProtectionItsEnvironmentNames) {
    const struct {
        std::optional<std::string> protection;
        std::string password;
        std::optional<Protection> written;
        const char* refusal = "";
    } cases[] = {
        {std::nullopt, "s3cret", Protection::Compatible},
        {"strong", "s3cret", Protection::Strong},
        {"weak", "s3cret", std::nullopt, "TESSALY_PROTECTION is \"weak\"; it must be strong or compatible"},
        {"strong", "", std::nullopt, "a strong backup file needs a password"},
    };
    for (const auto& c : cases) {
        const std::filesystem::path target = dir / (c.protection.value_or("unset") + c.password + ".tsy");
        auto env = headless();
        env["TESSALY_PROTECTION"] = c.protection;
        RunResult r = runProgram(
            {TESSALY_APP, " sf=" + kMain + "xm=11111111ps=" + c.password + "bf=" + target.string()}, env);
        EXPECT_EQ(r.exitCode, c.written ? 0 : 2) << r.err;
        EXPECT_EQ(r.err.find("qt.qpa"), std::string::npos) << r.err;
        EXPECT_EQ(detectProtection(target), c.written) << target;
        EXPECT_TRUE(c.written ? std::filesystem::file_size(target) > 33
                              : r.err.find(c.refusal) != std::string::npos)
            << r.err;
    }
}

TEST_F(Program, WithoutADisplayTheWindowIsRefusedClearly) {
    RunResult r = runProgram({TESSALY_APP}, headless());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
}

// Started without arguments the program stays open; SIGTERM ends it through the quit procedure.
TEST_F(Program, WithoutArgumentsStaysOpenUntilTerminated) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("WINEPREFIX", prefix.c_str(), 1);
        setenv("TMPDIR", tmp.c_str(), 1);
        setenv("HOME", dir.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Qt would otherwise make its runtime folder in TMPDIR.
        std::filesystem::create_directories(dir / "runtime");
        std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
        execl(TESSALY_APP, TESSALY_APP, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "the program ended by itself, status " << status;
    kill(child, SIGTERM);
    pid_t done = 0;
    for (int i = 0; i < 200 && done == 0; ++i) {
        done = waitpid(child, &status, WNOHANG);
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "SIGTERM did not end the program";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace tessaly::test

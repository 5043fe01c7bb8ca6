// ProfileGuardsTest.cpp -- no verb changes a profile that another run holds or whose wineserver runs.
#include "CliKit.h"

#include <gtest/gtest.h>

#include "platform/ProfileLock.h"

#include <csignal>
#include <cstdlib>
#include <future>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::readFile;
using test::writeFile;

// Every file of the profile with its contents; the lock file says only who holds the profile.
std::map<std::string, std::string> snapshot(const fs::path& prefix) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(prefix)) {
        const std::string name = fs::relative(entry.path(), prefix).string();
        if (name == ".tessaly-lock")
            continue;
        files[name] = entry.is_regular_file() && !entry.is_symlink() ? readFile(entry.path()) : "";
    }
    return files;
}

class ProfileGuards : public test::SampleProfileCli {
protected:
    struct Verb {
        std::string name;
        std::vector<std::string> args;
        std::string input;
        fs::path output; // a file the verb would make; empty when none
    };
    std::vector<Verb> verbs;

    void SetUp() override {
        SampleProfileCli::SetUp();
        auto backup = cli(
            {"backup", "--identity", "Main Identity", "--out", (dir / "a.tsy").string(), "--password-stdin"},
            "pa55\n");
        ASSERT_EQ(backup.exitCode, 0) << backup.err;
        auto dump = cli({"reg", "dump", "HKEY_CURRENT_USER\\Identities", (dir / "ids.txt").string()});
        ASSERT_EQ(dump.exitCode, 0) << dump.err;
        writeFile(dir / "new.htm", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<DL><p>\n"
                                   "<DT><A HREF=\"https://www.example.org/\">Added</A>\n</DL><p>\n");
        verbs = {
            {"backup",
             {"backup", "--identity", "Work", "--out", (dir / "b.tsy").string()},
             "",
             dir / "b.tsy"},
            {"restore",
             {"restore", (dir / "a.tsy").string(), "--identity", "Work", "--yes", "--password-stdin"},
             "pa55\n",
             {}},
            {"reg load",
             {"reg", "load", "HKEY_CURRENT_USER\\Software\\Copied Identities", (dir / "ids.txt").string()},
             "",
             {}},
            {"favorites import", {"favorites", "import", (dir / "new.htm").string()}, "", {}},
        };
    }
    // Runs every verb at once (each waits a while for the profile before it gives up); each must fail
    // saying `why`, and make neither a change to the profile nor its output file.
    void expectAllRefused(const std::string& why) {
        const auto before = snapshot(prefix);
        std::vector<std::future<test::RunResult>> running;
        for (const Verb& v : verbs)
            running.push_back(std::async(std::launch::async, [this, &v] { return cli(v.args, v.input); }));
        for (size_t i = 0; i < verbs.size(); ++i) {
            SCOPED_TRACE(verbs[i].name);
            const test::RunResult r = running[i].get();
            EXPECT_NE(r.exitCode, 0);
            EXPECT_NE((r.out + r.err).find(why), std::string::npos) << r.out << r.err;
            if (!verbs[i].output.empty()) {
                EXPECT_FALSE(fs::exists(verbs[i].output));
            }
        }
        EXPECT_EQ(snapshot(prefix), before);
    }
};

TEST_F(ProfileGuards, EveryVerbThatChangesTheProfileWaitsForTheLockAndThenRefuses) {
    const std::string userReg = readFile(prefix / "user.reg");
    {
        ProfileLock held(prefix, "the guard test");
        expectAllRefused("is being changed by the guard test");
    }
    // Once the lock is free the same runs go through, so the lock was what stopped them.
    const auto reg = cli(verbs[2].args);
    EXPECT_EQ(reg.exitCode, 0) << reg.err;
    EXPECT_NE(readFile(prefix / "user.reg"), userReg);
}

// A link planted as the lock file (it would have its target truncated) refuses every verb; nothing runs
// unlocked and the file the link names keeps its bytes.
TEST_F(ProfileGuards, ALinkPlantedAsTheLockFileRefusesEveryVerb) {
    writeFile(dir / "victim.txt", "keep me");
    fs::remove(ProfileLock::lockFile(prefix));
    fs::create_symlink(dir / "victim.txt", ProfileLock::lockFile(prefix));
    expectAllRefused("it is not a regular file");
    EXPECT_EQ(readFile(dir / "victim.txt"), "keep me");
}

// A real wineserver of the prefix, started with TMPDIR set as a user's session may have it.
TEST_F(ProfileGuards, ARealWineserverOfThePrefixUnderTmpdirStopsEveryRegistryChange) {
    std::string binary;
    for (const char* p : {static_cast<const char*>(std::getenv("WINESERVER")), "/usr/lib/wine/wineserver",
                          "/usr/bin/wineserver", "/usr/lib/wine/wineserver64"})
        if (binary.empty() && p && ::access(p, X_OK) == 0)
            binary = p;
    if (binary.empty())
        GTEST_SKIP() << "no wineserver is installed (Debian package wine64)";
    // Foreground (the process id stays this one) and persistent (no client ever connects).
    struct Server {
        pid_t pid;
        void stop() {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
        ~Server() { stop(); }
    } server{::fork()};
    if (server.pid == 0) {
        ::setenv("WINEPREFIX", prefix.c_str(), 1);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        ::execl(binary.c_str(), binary.c_str(), "-f", "-p", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool listening = false;
    for (int i = 0; i < 200 && !listening; ++i) {
        if (::waitpid(server.pid, nullptr, WNOHANG) != 0) {
            server.pid = -1; // it ended already
            break;
        }
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(tmp, ec); !ec && it != fs::end(it); it.increment(ec))
            listening = listening || (it->path().filename() == "socket" && it->is_socket(ec));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(listening) << "the wineserver did not start";
    const auto before = snapshot(prefix);
    const std::vector<Verb> changing = {verbs[1], verbs[2]}; // restore and reg load
    for (const Verb& v : changing) {
        SCOPED_TRACE(v.name);
        const auto r = cli(v.args, v.input);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE((r.out + r.err).find("wineserver -k"), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(snapshot(prefix), before);
    server.stop();
    // The socket file stays behind a killed server; nobody listens on it, so changes go through again.
    const auto reg = cli(verbs[2].args);
    EXPECT_EQ(reg.exitCode, 0) << reg.err;
}

} // namespace
} // namespace tessaly

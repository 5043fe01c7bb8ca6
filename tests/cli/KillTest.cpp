// KillTest.cpp -- backups and restores killed with SIGKILL at several moments: the next start leaves no
// temporary file of Tessaly anywhere, the old backup still opens, and every item of the profile is
// either wholly as before or wholly restored. TESSALY_KILL_TEST_MB and TESSALY_KILL_TEST_MOMENTS make
// it bigger (the suite runs a small identity at a few moments).
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"

#include "CliKit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::readFile;
using test::writeFile;

const std::string kIdentities = "drive_c/users/sample/Local Settings/Application Data/Identities/";
const std::string kStoreA = kIdentities + "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}/Microsoft/Outlook Express";
const std::string kStoreB = kIdentities + "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}/Microsoft/Outlook Express";
const std::string kIdB = "HKEY_CURRENT_USER\\Identities\\{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}";

int envNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Mail-like text: compresses about as real message stores do.
std::string mailText(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const char* words[] = {"meeting ",  "invoice ", "Re: ",     "thanks ",
                           "attached ", "\r\n",     "regards ", "the "};
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += words[rng() % 8];
        if (rng() % 16 == 0)
            out += std::to_string(rng());
    }
    out.resize(size);
    return out;
}

// Each item of identity B as a restore could leave it: registry trees and files.
std::vector<std::string> itemStates(const fs::path& prefix, const fs::path& scratch) {
    SilentUi ui;
    ProfileSession session(Profile{prefix, false, "sample"}, ui);
    std::vector<std::string> states;
    for (const char* key : {"\\Software\\Microsoft\\Outlook Express\\5.0\\Rules",
                            "\\Software\\Microsoft\\Outlook Express\\5.0\\Block Senders",
                            "\\Software\\Microsoft\\Outlook Express\\5.0\\signatures",
                            "\\Software\\Microsoft\\Outlook Express\\5.0\\Mail"}) {
        session.modReg().DumpKeyTree(kIdB + key, "", scratch / "item.txt");
        states.push_back(readFile(scratch / "item.txt"));
    }
    std::string store;
    for (const auto& e : fs::directory_iterator(prefix / kStoreB))
        store += e.path().filename().string() + "=" + readFile(e.path()) + "\n";
    states.push_back(store);
    return states;
}

// Temporary files and folders of Tessaly below `folder`.
std::vector<std::string> leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        if (name.starts_with("tessaly-") || name.starts_with(".tessaly-stage") || name.starts_with("TSY") ||
            name.starts_with("KV") || name == ".tessaly-restore-journal" ||
            name.find(".part-") != std::string::npos)
            found.push_back(e.path().string());
    }
    return found;
}

class KillTest : public test::SampleProfileCli {
protected:
    fs::path out = dir / "out";

    void SetUp() override {
        SampleProfileCli::SetUp();
        fs::create_directories(out);
        const int mb = envNumber("TESSALY_KILL_TEST_MB", 6);
        for (int i = 0; i < 12; ++i)
            writeFile(prefix / kStoreA / ("Big" + std::to_string(i) + ".dbx"),
                      mailText(size_t(mb) * 1024 * 1024 / 12, unsigned(i)));
        env["TESSALY_PASSWORD"] = "pw";
    }

    // Starts tessaly-cli and kills it after `delay`; true when it was still running then.
    bool killAfter(std::vector<std::string> args, std::chrono::milliseconds delay) {
        const pid_t pid = start(std::move(args));
        std::this_thread::sleep_for(delay);
        bool running = ::kill(pid, SIGKILL) == 0;
        int status = 0;
        waitpid(pid, &status, 0);
        return running && WIFSIGNALED(status);
    }

    // Runs `args` once to its end; the moments to kill such a run at, spread over the time it took.
    std::vector<std::chrono::milliseconds> moments(const std::vector<std::string>& args) {
        const auto start = std::chrono::steady_clock::now();
        const auto run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << args[0] << ": " << run.err;
        const auto whole =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const int n = envNumber("TESSALY_KILL_TEST_MOMENTS", 3);
        std::vector<std::chrono::milliseconds> at;
        for (int i = 0; i < n; ++i)
            at.push_back(whole * (2 * i + 1) / (2 * n));
        return at;
    }
};

TEST_F(KillTest, AKilledBackupLeavesTheOldFileAndNothingElse) {
    const std::vector<std::string> backup = {"backup", "--identity", "Main Identity", "--out",
                                             (out / "a.tsy").string()};
    env["TESSALY_FULL"] = "1"; // every run compresses, so each lasts as long as the one timed
    int killed = 0;
    for (auto at : moments(backup)) {
        killed += killAfter(backup, at);
        // The old file, or the new one when the run had just put it in place: either opens whole.
        EXPECT_EQ(cli({"verify", (out / "a.tsy").string()}).exitCode, 0)
            << "killed after " << at.count() << " ms";
        // What a killed run left is removed once it is two seconds old.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        auto again = cli(backup);
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_EQ(cli({"verify", (out / "a.tsy").string()}).exitCode, 0);
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{})
            << "killed after " << at.count() << " ms";
    }
    EXPECT_GT(killed, 0) << "no run was still going when it was killed";
}

// Regular files below `folder` that hold a plain zip member (its local header's signature).
std::vector<std::string> plainArchives(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && readFile(e.path()).find(std::string("PK\x03\x04", 4)) != std::string::npos)
            found.push_back(e.path().string());
    return found;
}

TEST_F(KillTest, AKilledStrongBackupOrProtectLeavesNoPlainArchive) {
    env["TESSALY_PROTECTION"] = "strong";
    const std::string file = (out / "s.tsy").string();
    const std::vector<std::string> backup = {"backup", "--identity", "Main Identity", "--out", file};
    ASSERT_EQ(cli(backup).exitCode, 0);
    env["TESSALY_NEW_PASSWORD"] = "pw2";
    const std::vector<std::string> protect = {"protect", file, "--to", "strong"};
    for (const auto& args : {backup, protect}) {
        const auto when = moments(args);
        if (args == protect)
            env["TESSALY_PASSWORD"] = "pw2"; // the file has the new password now
        for (auto at : when) {
            killAfter(args, at);
            std::vector<std::string> plain = plainArchives(tmp), besideTarget = plainArchives(out);
            plain.insert(plain.end(), besideTarget.begin(), besideTarget.end());
            EXPECT_EQ(plain, std::vector<std::string>{})
                << args[0] << " killed after " << at.count() << " ms";
        }
    }
}

TEST_F(KillTest, AKilledRestoreLeavesEachItemBeforeOrAfter) {
    ASSERT_EQ(cli({"backup", "--identity", "Main Identity", "--out", (out / "a.tsy").string()}).exitCode, 0);
    // What a complete restore gives, made on a copy.
    test::copyTree(prefix, dir / "restored");
    const std::vector<std::string> before = itemStates(prefix, dir.path());
    const std::vector<std::string> restoreArgs = {"restore", (out / "a.tsy").string(), "--identity", "Work",
                                                  "--yes"};
    env["WINEPREFIX"] = (dir / "restored").string();
    const auto when = moments(restoreArgs);
    const std::vector<std::string> after = itemStates(dir / "restored", dir.path());
    env["WINEPREFIX"] = prefix.string();
    int killed = 0;
    for (auto at : when) {
        killed += killAfter(restoreArgs, at);
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        ASSERT_EQ(cli({"identities"}).exitCode, 0); // the next start
        std::vector<std::string> now = itemStates(prefix, dir.path());
        for (size_t i = 0; i < now.size(); ++i)
            EXPECT_TRUE(now[i] == before[i] || now[i] == after[i])
                << "item " << i << ", killed after " << at.count() << " ms";
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{})
            << "killed after " << at.count() << " ms";
        EXPECT_EQ(cli({"verify", (out / "a.tsy").string()}).exitCode, 0);
    }
    EXPECT_GT(killed, 0) << "no run was still going when it was killed";
}

} // namespace
} // namespace tessaly

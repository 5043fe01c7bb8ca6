// CliKit.h -- a copy of the sample profile in a temporary folder, and tessaly-cli run on it.
#pragma once

#include "RunProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace tessaly::test {

class SampleProfileCli : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path prefix = dir / "prefix";
    std::filesystem::path tmp = dir / "tmp";
    // Every run's environment: this profile, a temporary folder of its own, and no password unless given.
    std::map<std::string, std::optional<std::string>> env = {{"WINEPREFIX", prefix.string()},
                                                             {"TMPDIR", tmp.string()},
                                                             {"HOME", dir.path().string()},
                                                             {"TESSALY_PASSWORD", std::nullopt},
                                                             {"TESSALY_PROTECTION", std::nullopt}};

    void SetUp() override {
        copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        std::filesystem::create_directories(tmp);
    }
    RunResult cli(std::vector<std::string> args, const std::string& input = "",
                  long long fileSizeLimit = -1) {
        args.insert(args.begin(), TESSALY_CLI);
        return runProgram(args, env, input, fileSizeLimit);
    }
    // Starts tessaly-cli in the background, its output thrown away; the caller waits for it.
    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), TESSALY_CLI);
        const pid_t pid = fork();
        if (pid == 0) {
            for (const auto& [name, value] : env)
                value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }
};

} // namespace tessaly::test

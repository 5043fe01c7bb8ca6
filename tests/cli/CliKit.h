// CliKit.h -- a copy of the sample profile in a temporary folder, and tessaly-cli run on it.
#pragma once

#include "RunProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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
};

} // namespace tessaly::test

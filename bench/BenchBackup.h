// BenchBackup.h -- one whole backup of all eight items of the benchmarks' identity, timed.
#pragma once

#include "backupfile/BackupContainer.h"
#include "engine/BackupRunner.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "platform/TempFiles.h"

#include "BenchSupport.h"
#include <cstdio>
#include <string>
#include <vector>

namespace tessaly::bench {

struct BackupTimes {
    double wall = 0;
    double cpu = 0;                     // of this process, worker threads included
    std::vector<std::string> takenOver; // members copied from the previous backup of the target
};

inline BackupTimes backupIdentity(const std::filesystem::path& prefix, const std::filesystem::path& target,
                                  const std::string& password, Protection protection) {
    SilentUi ui;
    ProfileSession session(Profile{prefix, false, "sample"}, ui);
    PrivateWorkDir work;
    MainWindowState state;
    LoadMainWindowState(state, session, work.path().string());
    BackupPlan plan;
    plan.target = target;
    plan.identityKey = kIdentity;
    plan.items.fill(true);
    plan.password = password;
    plan.protection = protection;
    plan.interactive = false;
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    BackupResult result = runBackup(session, state, ui, plan);
    BackupTimes times{seconds(start), cpuSeconds() - cpuStart, result.takenOver};
    if (result.itemFlags != "11111111")
        std::fprintf(stderr, "warning: item flags %s\n", result.itemFlags.c_str());
    return times;
}

} // namespace tessaly::bench

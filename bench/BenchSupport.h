// BenchSupport.h -- what the benchmarks share: the identity they back up, its store folder, clocks and
// memory.
#pragma once

#include <chrono>
#include <filesystem>
#include <sys/resource.h>

namespace tessaly::bench {

using Clock = std::chrono::steady_clock;

inline const char* kIdentity = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";

inline std::filesystem::path storeOf(const std::filesystem::path& prefix) {
    return prefix / "drive_c/users/sample/Local Settings/Application Data/Identities" / kIdentity /
           "Microsoft/Outlook Express";
}

inline double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds (user and system) of this process, or of its finished children: on a shared machine the
// wall time also counts the other programs.
inline double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

inline double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace tessaly::bench

// backup_bench.cpp -- a whole backup of a generated identity whose message store holds N files of M MB:
// wall time, MB/s, peak memory, the time for half and for all the files (linear cost shows as a ratio
// near 2), the ratio against Info-ZIP's `zip -j -6` over the same files in the same run, and the
// scrambler's own speed. Usage: backup_bench [files=200] [megabytes-per-file=5]
#include "backupfile/Scrambler.h"
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "platform/TempFiles.h"

#include "MailText.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* kIdentity = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

fs::path storeOf(const fs::path& prefix) {
    return prefix / "drive_c/users/sample/Local Settings/Application Data/Identities" / kIdentity /
           "Microsoft/Outlook Express";
}

// One backup of all eight items of the identity; returns its wall time.
double backupOnce(const fs::path& prefix, const fs::path& target) {
    tessaly::SilentUi ui;
    tessaly::ProfileSession session(tessaly::Profile{prefix, false, "sample"}, ui);
    tessaly::PrivateWorkDir work;
    tessaly::MainWindowState state;
    tessaly::LoadMainWindowState(state, session, work.path().string());
    tessaly::BackupPlan plan;
    plan.target = target;
    plan.identityKey = kIdentity;
    plan.items.fill(true);
    plan.password = "bench";
    plan.interactive = false;
    auto start = Clock::now();
    tessaly::BackupResult result = tessaly::runBackup(session, state, ui, plan);
    double t = seconds(start);
    if (result.itemFlags != "11111111")
        std::fprintf(stderr, "warning: item flags %s\n", result.itemFlags.c_str());
    return t;
}

} // namespace

int main(int argc, char** argv) {
    int files = argc > 1 ? std::atoi(argv[1]) : 200;
    std::size_t mb = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 5;
    fs::path work = fs::temp_directory_path() / ("tessaly-backup-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "tmp");
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    fs::path prefix = work / "prefix";
    fs::copy(TESSALY_SAMPLE_PROFILE_DIR, prefix,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::path store = storeOf(prefix);
    fs::path parked = work / "parked";
    fs::create_directories(parked);

    std::printf("generating %d store files of %zu MB...\n", files, mb);
    std::string buffer;
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        bench::MailText text(static_cast<std::uint64_t>(i) + 1);
        text.fill(buffer, mb << 20);
        names.push_back("Folder" + std::to_string(i) + ".dbx");
        std::ofstream(store / names.back(), std::ios::binary) << buffer;
    }
    double totalMB = static_cast<double>(files) * static_cast<double>(mb) * 1.048576;

    // Half the files first (the rest parked outside the store), then all of them.
    for (int i = files / 2; i < files; ++i)
        fs::rename(store / names[i], parked / names[i]);
    double half = backupOnce(prefix, work / "half.tsy");
    for (int i = files / 2; i < files; ++i)
        fs::rename(parked / names[i], store / names[i]);
    double all = backupOnce(prefix, work / "all.tsy");

    std::string zipCommand =
        "cd '" + store.string() + "' && zip -q -j -6 '" + (work / "ref.zip").string() + "' *.dbx";
    auto zipStart = Clock::now();
    int zipStatus = std::system(zipCommand.c_str());
    double zipTime = seconds(zipStart);

    // The scrambler alone, both directions, over the backup just written.
    fs::path scrambleIn = work / "scramble.bin";
    fs::copy_file(work / "all.tsy", scrambleIn);
    tessaly::SilentUi ui;
    tessaly::CodePage cp(1252);
    std::uint64_t scrambleBytes = fs::file_size(scrambleIn);
    auto scrambleStart = Clock::now();
    tessaly::ScrambleFile(scrambleIn, "bench", true, {}, cp, ui);
    tessaly::ScrambleFile(scrambleIn, "bench", false, work / "plain.bin", cp, ui);
    double scrambleTime = seconds(scrambleStart);

    std::printf("store: %d files, %.1f MB; backup file %.1f MB\n", files, totalMB,
                static_cast<double>(fs::file_size(work / "all.tsy")) / 1e6);
    std::printf("whole backup, %d files: %.2f s, %.1f MB/s\n", files / 2, half, totalMB / 2 / half);
    std::printf("whole backup, %d files: %.2f s, %.1f MB/s\n", files, all, totalMB / all);
    std::printf("ratio %d files / %d files: %.2f (2.00 is linear; target <= 2.2)\n", files, files / 2,
                all / half);
    if (zipStatus == 0)
        std::printf("zip -j -6 over the same files: %.2f s; ratio backup / zip: %.2f (target <= 1.2)\n",
                    zipTime, all / zipTime);
    else
        std::printf("zip -j -6 failed (status %d)\n", zipStatus);
    std::printf("scrambler alone: %.0f MB/s (write and read direction, %.1f MB each; target > 500)\n",
                2.0 * static_cast<double>(scrambleBytes) / 1e6 / scrambleTime,
                static_cast<double>(scrambleBytes) / 1e6);
    std::printf("peak memory (max RSS): %.1f MiB (target < 64)\n", peakMiB());
    fs::remove_all(work);
    return 0;
}

// backup_bench.cpp -- a whole backup of a generated identity whose message store holds N files of M MB:
// wall time, MB/s, peak memory, the time for half and for all the files (linear cost shows as a ratio
// near 2), the ratio against Info-ZIP's `zip -j -6` over the same files in the same run (time and size), a
// whole restore (unscrambling and extraction) against `unzip -o` of the same archive, a second run over the
// unchanged store (which copies the stores from the previous file) against `zip -j -6` and against reading
// the files once with `cat` (and what reading them, writing and flushing a copy of the backup file and
// reading it back takes), a run with one store changed, and the keystream's and the scrambler's own speed.
// The backup/zip and restore/unzip pairs run `repeats` times, alternating, and print min and median. Usage:
// backup_bench [files=200] [megabytes-per-file=5] [repeats=1]
#include "archive/CGmodule.h"
#include "backupfile/Scrambler.h"
#include "backupfile/VbRandom.h"
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "platform/TempFiles.h"

#include "MailText.h"

#include "BenchBackup.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace tessaly::bench;

// What a restore costs in the archive layers: the backup file unscrambled into a plain archive,
// then every member extracted and CRC-checked into a folder. (The engine's own restore of more than
// 100 message store files stops at the unzip engine's 100 names, so it cannot stand in here.)
double restoreOnce(const fs::path& file, const fs::path& plain, const fs::path& folder) {
    tessaly::SilentUi ui;
    tessaly::CodePage cp(1252);
    fs::remove_all(folder);
    auto start = Clock::now();
    tessaly::ScrambleFile(file, "bench", false, plain, cp, ui);
    tessaly::UnzipToFolder(plain.string(), folder.string(), std::nullopt, std::nullopt, &ui);
    return seconds(start);
}

double timedCommand(const std::string& command) {
    auto start = Clock::now();
    int status = std::system(command.c_str());
    if (status != 0)
        std::fprintf(stderr, "warning: status %d from %s\n", status, command.c_str());
    return seconds(start);
}

struct Spread {
    double min, median;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2};
}

// The scrambler's keystream alone over a buffer in memory, as the scrambler uses it (a table of one
// generator period, then a walk over it), table included, in GB/s.
double keystreamSpeed() {
    std::string buffer(8u << 20, 'x');
    const int rounds = 64;
    auto start = Clock::now();
    tessaly::VbRandom rng;
    rng.restart(-12345.0);
    tessaly::KeystreamTable table(rng, std::uint64_t(rounds) * buffer.size());
    for (int i = 0; i < rounds; ++i)
        table.xorAt(std::uint64_t(i) * buffer.size(), buffer.data(), buffer.size());
    double t = seconds(start);
    volatile char sink = buffer[12345];
    (void)sink;
    return rounds * static_cast<double>(buffer.size()) / 1e9 / t;
}

} // namespace

int main(int argc, char** argv) {
    int files = argc > 1 ? std::atoi(argv[1]) : 200;
    std::size_t mb = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 5;
    int repeats = std::max(1, argc > 3 ? std::atoi(argv[3]) : 1);
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
    double half = backupIdentity(prefix, work / "half.tsy", "bench", tessaly::Protection::Compatible).wall;
    for (int i = files / 2; i < files; ++i)
        fs::rename(parked / names[i], store / names[i]);
    BackupTimes all = backupIdentity(prefix, work / "all.tsy", "bench", tessaly::Protection::Compatible);

    std::string zipCommand =
        "cd '" + store.string() + "' && zip -q -j -6 '" + (work / "ref.zip").string() + "' *.dbx";
    std::string unzipCommand =
        "unzip -q -o '" + (work / "plain.zip").string() + "' -d '" + (work / "unzipped").string() + "'";
    std::vector<double> backups, zips, restores, unzips, backupCpu, zipCpu;
    for (int r = 0; r < repeats; ++r) {
        BackupTimes backup =
            r > 0 ? backupIdentity(prefix, work / "all.tsy", "bench", tessaly::Protection::Compatible) : all;
        backups.push_back(backup.wall);
        backupCpu.push_back(backup.cpu);
        fs::remove(work / "ref.zip");
        double cpu = cpuSeconds(RUSAGE_CHILDREN);
        zips.push_back(timedCommand(zipCommand));
        zipCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - cpu);
        restores.push_back(restoreOnce(work / "all.tsy", work / "plain.zip", work / "restored"));
        fs::remove_all(work / "unzipped");
        unzips.push_back(timedCommand(unzipCommand));
    }

    // The nightly case: nothing changed since the previous file, then one store changed.
    BackupTimes unchanged =
        backupIdentity(prefix, work / "all.tsy", "bench", tessaly::Protection::Compatible);
    double cat = timedCommand("cd '" + store.string() + "' && cat *.dbx > /dev/null");
    // Least a run can do that puts a new file in place: read the store, write a file of the backup's size
    // and flush it to the disk, read it back.
    double floor = timedCommand("cd '" + store.string() + "' && cat *.dbx > /dev/null && cat '" +
                                (work / "all.tsy").string() + "' > '" + (work / "copy.tsy").string() +
                                "' && sync '" + (work / "copy.tsy").string() + "' && cat '" +
                                (work / "copy.tsy").string() + "' > /dev/null");
    fs::remove(work / "copy.tsy");
    auto storesCompressed = [&](const BackupTimes& t) {
        std::vector<std::string> again;
        for (const std::string& name : names)
            if (std::find(t.takenOver.begin(), t.takenOver.end(), name) == t.takenOver.end())
                again.push_back(name);
        return again;
    };
    {
        bench::MailText text(static_cast<std::uint64_t>(files) + 7);
        text.fill(buffer, mb << 20);
        std::ofstream(store / names[files / 3], std::ios::binary) << buffer;
    }
    BackupTimes oneChanged =
        backupIdentity(prefix, work / "all.tsy", "bench", tessaly::Protection::Compatible);
    double peakAfterRuns = peakMiB();

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

    double ours = static_cast<double>(fs::file_size(work / "all.tsy")) / 1e6;
    double theirs = static_cast<double>(fs::file_size(work / "ref.zip")) / 1e6;
    std::printf(
        "store: %d files, %.1f MB; backup file %.1f MB, zip -j -6 archive %.1f MB (size ratio %.3f)\n", files,
        totalMB, ours, theirs, ours / theirs);
    std::printf("whole backup, %d files: %.2f s, %.1f MB/s\n", files / 2, half, totalMB / 2 / half);
    std::printf("whole backup, %d files: %.2f s, %.1f MB/s\n", files, all.wall, totalMB / all.wall);
    std::printf("ratio %d files / %d files: %.2f (2.00 is linear; target <= 2.2)\n", files, files / 2,
                all.wall / half);
    std::vector<double> backupRatios, restoreRatios;
    for (int r = 0; r < repeats; ++r) {
        backupRatios.push_back(backups[r] / zips[r]);
        restoreRatios.push_back(restores[r] / unzips[r]);
        std::printf(
            "run %d: backup %.2f s (%.1f CPU s), zip -j -6 %.2f s (%.1f CPU s), ratio %.2f; restore %.2f s, "
            "unzip -o %.2f s, ratio %.2f\n",
            r + 1, backups[r], backupCpu[r], zips[r], zipCpu[r], backupRatios[r], restores[r], unzips[r],
            restoreRatios[r]);
    }
    Spread b = spread(backupRatios), rs = spread(restoreRatios);
    std::printf("ratio backup / zip -j -6: min %.2f, median %.2f over %d runs (target <= 0.5 on 2 cores)\n",
                b.min, b.median, repeats);
    std::printf("ratio restore / unzip -o: min %.2f, median %.2f over %d runs (target <= 0.8)\n", rs.min,
                rs.median, repeats);
    Spread z = spread(zips);
    std::printf("unchanged second run: %.2f s (%.1f CPU s), %zu of %d stores compressed again; / zip -j -6 "
                "(median %.2f s): %.3f (target <= 0.1); / cat > /dev/null of the store (%.2f s): %.2f "
                "(target <= 1.5)\n",
                unchanged.wall, unchanged.cpu, storesCompressed(unchanged).size(), files, z.median,
                unchanged.wall / z.median, cat, unchanged.wall / cat);
    std::printf(
        "reading the store, writing and flushing a copy of the backup file and reading it back: %.2f s, "
        "%.2f x the cat\n",
        floor, floor / cat);
    std::vector<std::string> again = storesCompressed(oneChanged);
    std::printf("run with %s changed: %.2f s (%.1f CPU s), stores compressed again:",
                names[files / 3].c_str(), oneChanged.wall, oneChanged.cpu);
    for (const std::string& name : again)
        std::printf(" %s", name.c_str());
    std::printf("%s\n", again.size() == 1 && again[0] == names[files / 3] ? " (only it)" : " (NOT only it)");
    std::printf("keystream alone, in memory: %.2f GB/s (target >= 2)\n", keystreamSpeed());
    std::printf("scrambler on files: %.2f GB/s (write and read direction, %.1f MB each)\n",
                2.0 * static_cast<double>(scrambleBytes) / 1e9 / scrambleTime,
                static_cast<double>(scrambleBytes) / 1e6);
    std::printf("peak memory (max RSS) over the backups and restores: %.1f MiB; at the end: %.1f MiB "
                "(target < 64; the compatible format has no key derivation)\n",
                peakAfterRuns, peakMiB());
    fs::remove_all(work);
    return 0;
}

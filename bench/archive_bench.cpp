// archive_bench.cpp -- backs up generated files through ZipOneFile in one ZipSession and compares
// with Info-ZIP's `zip -j -6` over the same files: MB/s, the ratio of the two, the time for half
// and for all the files (linear cost shows as a ratio near 2), and peak memory.
// Usage: archive_bench [files=200] [megabytes-per-file=5] [--legacy]
//   --legacy also times the first quarter of the files added without a session, one archive
//   rewrite per call, to show the quadratic cost a session avoids.
#include "MailText.h"
#include "archive/CGUnzipFiles.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

double sessionRun(const std::vector<fs::path>& files, std::size_t count, const fs::path& archive) {
    fs::remove(archive);
    auto start = Clock::now();
    tessaly::ZipSession session(archive.string());
    for (std::size_t i = 0; i < count; ++i)
        tessaly::ZipOneFile(archive.string(), files[i].string());
    session.finish();
    return secondsSince(start);
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::size_t fileCount = 200;
    std::size_t megabytes = 5;
    bool legacy = false;
    std::vector<std::string> numbers;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--legacy")
            legacy = true;
        else
            numbers.push_back(a);
    }
    if (numbers.size() > 0)
        fileCount = std::stoul(numbers[0]);
    if (numbers.size() > 1)
        megabytes = std::stoul(numbers[1]);
    const std::size_t fileSize = megabytes * 1000 * 1000;
    const double totalMB = double(fileCount * fileSize) / 1e6;

    fs::path work = fs::temp_directory_path() / ("tessaly-archive-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "src");
    std::printf("archive_bench: %zu files of %zu MB (%.0f MB) in %s\n", fileCount, megabytes, totalMB,
                work.string().c_str());

    std::vector<fs::path> files;
    std::string chunk;
    {
        std::ofstream list(work / "list.txt");
        for (std::size_t i = 0; i < fileCount; ++i) {
            bench::MailText text(i + 1);
            files.push_back(work / "src" / ("Folder" + std::to_string(i) + ".dbx"));
            std::ofstream out(files.back(), std::ios::binary);
            for (std::size_t done = 0; done < fileSize; done += chunk.size()) {
                text.fill(chunk, std::min<std::size_t>(1 << 20, fileSize - done));
                out.write(chunk.data(), std::streamsize(chunk.size()));
            }
            list << files.back().string() << "\n";
        }
    }
    chunk.clear();
    chunk.shrink_to_fit();

    auto start = Clock::now();
    if (run("zip -q -j -6 '" + (work / "infozip.zip").string() + "' -@ < '" + (work / "list.txt").string() +
            "'") != 0)
        std::printf("zip failed\n");
    double zipSeconds = secondsSince(start);

    const std::size_t half = fileCount / 2;
    double halfSeconds = sessionRun(files, half, work / "half.zip");
    double fullSeconds = sessionRun(files, fileCount, work / "full.zip");
    bool sound = run("unzip -tqq '" + (work / "full.zip").string() + "'") == 0;

    auto ustart = Clock::now();
    tessaly::UnzipToFolder((work / "full.zip").string(), (work / "out").string());
    double unzipSeconds = secondsSince(ustart);
    long peak = peakKiB();

    double legacySeconds = 0;
    std::size_t legacyCount = fileCount / 4;
    if (legacy) {
        fs::remove(work / "legacy.zip");
        auto lstart = Clock::now();
        for (std::size_t i = 0; i < legacyCount; ++i)
            tessaly::ZipOneFile((work / "legacy.zip").string(), files[i].string());
        legacySeconds = secondsSince(lstart);
    }

    double ratio = fullSeconds / zipSeconds;
    double growth = fullSeconds / halfSeconds;
    std::printf("archive size: ours %.1f MB, zip -j -6 %.1f MB; unzip -t of ours: %s\n",
                double(fs::file_size(work / "full.zip")) / 1e6,
                double(fs::file_size(work / "infozip.zip")) / 1e6, sound ? "OK" : "FAILED");
    std::printf("ZipOneFile in a session, %zu files: %.2f s, %.1f MB/s\n", fileCount, fullSeconds,
                totalMB / fullSeconds);
    std::printf("zip -j -6, same files:            %.2f s, %.1f MB/s\n", zipSeconds, totalMB / zipSeconds);
    std::printf("ratio ours / zip:                 %.2f  (target <= 1.2)  %s\n", ratio,
                ratio <= 1.2 ? "met" : "MISSED");
    std::printf("%zu files: %.2f s, %zu files: %.2f s, ratio %.2f  (target <= 2.2)  %s\n", half, halfSeconds,
                fileCount, fullSeconds, growth, growth <= 2.2 ? "met" : "MISSED");
    std::printf("UnzipToFolder of all files:       %.2f s, %.1f MB/s\n", unzipSeconds,
                totalMB / unzipSeconds);
    std::printf("peak memory (ru_maxrss):          %.1f MiB  (target < 64 MiB)  %s\n", double(peak) / 1024,
                peak < 64 * 1024 ? "met" : "MISSED");
    if (legacy)
        std::printf("without a session, first %zu files: %.2f s (one archive rewrite per call)\n",
                    legacyCount, legacySeconds);

    std::error_code ec;
    fs::remove_all(work, ec);
    return sound ? 0 : 1;
}

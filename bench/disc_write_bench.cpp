// disc_write_bench.cpp -- prints how fast the disc-writing control scans, saves, writes, verifies and
// cancels.
#include "disc/BurnDiscWriter.h"
#include "disc/EventQueue.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace tessaly;

namespace {

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void writeRandom(const fs::path& path, std::size_t size, unsigned seed) {
    fs::create_directories(path.parent_path());
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Clockwork : DiscEvents {
    Clock::time_point writeDone, verifyStarted, cancelled;
    bool ended = false;
    std::function<void()> onProgress;
    void WriteProgress(int, long long done, long long) override {
        if (done > 0 && onProgress) {
            onProgress();
            onProgress = nullptr;
        }
    }
    void WriteDone() override { writeDone = Clock::now(); }
    void VerifyStarted(int) override { verifyStarted = Clock::now(); }
    void VerifyDone(int, int) override { ended = true; }
    void WriteCancelled() override {
        cancelled = Clock::now();
        ended = true;
    }
    void DriveError(int, int, const std::string& text, const std::string&) override {
        std::printf("drive error: %s\n", text.c_str());
        ended = true;
    }
};

} // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-disc-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const fs::path dir = pattern;
    constexpr int kFiles = 200;
    constexpr std::size_t kFileBytes = 200 * 1024;
    for (int i = 0; i < kFiles; ++i)
        writeRandom(dir / "src" / ("folder" + std::to_string(i % 10)) / ("file" + std::to_string(i) + ".dbx"),
                    kFileBytes, static_cast<unsigned>(i));
    const double megabytes = kFiles * kFileBytes / 1048576.0;

    ::unsetenv("TESSALY_EXTRA_DRIVES");
    EventQueue queue;
    {
        BurnDiscWriter writer(queue.poster());
        const auto start = Clock::now();
        constexpr int kScans = 10;
        for (int i = 0; i < kScans; ++i)
            writer.InitDrives(false);
        std::printf("drive scan (%d drives found): %.1f ms per scan\n", writer.DriveCount(),
                    seconds(start) * 1000 / kScans);
    }

    const std::string drive = "stdio:" + (dir / "disc.iso").string();
    ::setenv("TESSALY_EXTRA_DRIVES", drive.c_str(), 1);
    BurnDiscWriter writer(queue.poster());
    Clockwork clock;
    writer.addListener(&clock);
    writer.InitDrives(true);
    writer.SelectDrive(0);

    auto start = Clock::now();
    writer.AddFolder("\\Backup", (dir / "src").string());
    std::printf("adding %d files in 10 folders: %.1f ms; image %lld blocks\n", kFiles, seconds(start) * 1000,
                writer.ImageBlocks());

    start = Clock::now();
    writer.SaveISO((dir / "saved.iso").string());
    const double saveSeconds = seconds(start);
    std::printf("SaveISO of %.1f MB: %.3f s (%.0f MB/s)\n", megabytes, saveSeconds, megabytes / saveSeconds);

    writer.SetAutoVerify(true);
    start = Clock::now();
    writer.StartWrite();
    queue.runUntil([&] { return clock.ended; }, std::chrono::minutes(5));
    std::printf("write of %.1f MB to a pseudo-drive: %.3f s; verify of %d files: %.3f s\n", megabytes,
                std::chrono::duration<double>(clock.writeDone - start).count(), kFiles,
                std::chrono::duration<double>(Clock::now() - clock.verifyStarted).count());

    writer.ClearImage();
    writer.SetAutoVerify(false);
    writeRandom(dir / "big.bin", 24 * 1024 * 1024, 7);
    writer.AddFile("\\big.bin", (dir / "big.bin").string());
    writer.SetWriteSpeed(6000);
    Clock::time_point aborted;
    clock.ended = false;
    clock.onProgress = [&] {
        aborted = Clock::now();
        writer.AbortWrite();
    };
    writer.StartWrite();
    queue.runUntil([&] { return clock.ended; }, std::chrono::minutes(1));
    std::printf("cancel of a 24 MB write at 6000 KB/s: WriteCancelled %.0f ms after AbortWrite\n",
                std::chrono::duration<double>(clock.cancelled - aborted).count() * 1000);

    writer.removeListener(&clock);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}

// strong_bench.cpp -- the strong format's costs: the key derivation, encryption alone, a strong backup of a
// generated identity (N store files of M MB) against a compatible one, opening it again, and peak memory.
// Usage: strong_bench [files=200] [megabytes-per-file=5] [rounds=2]
#include "backupfile/BackupContainer.h"
#include "backupfile/StrongContainer.h"
#include "engine/BackupRunner.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "platform/TempFiles.h"

#include "MailText.h"

#include <sodium.h>

#include "BenchBackup.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace tessaly::bench;

struct Cost {
    double wall = 1e9, cpu = 1e9;
    void keepBest(double w, double c) {
        wall = std::min(wall, w);
        cpu = std::min(cpu, c);
    }
};

void backupOnce(const fs::path& prefix, const fs::path& target, tessaly::Protection protection, Cost& cost) {
    BackupTimes t = backupIdentity(prefix, target, "bench-Passw0rd", protection);
    cost.keepBest(t.wall, t.cpu);
}

// Encrypting 64 KiB chunks in memory, as the container does, without any file.
Cost encryptionAlone(std::size_t totalMiB) {
    std::vector<unsigned char> plain(tessaly::kStrongChunk, 0x5a);
    std::vector<unsigned char> cipher(tessaly::kStrongChunk + crypto_secretstream_xchacha20poly1305_ABYTES);
    unsigned char key[crypto_secretstream_xchacha20poly1305_KEYBYTES];
    unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_keygen(key);
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, key);
    std::size_t parts = totalMiB * 16;
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    for (std::size_t i = 0; i < parts; ++i)
        crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), nullptr, plain.data(), plain.size(),
                                                   nullptr, 0, 0);
    Cost cost;
    cost.keepBest(seconds(start), cpuSeconds() - cpuStart);
    return cost;
}

} // namespace

int main(int argc, char** argv) {
    int files = argc > 1 ? std::atoi(argv[1]) : 200;
    std::size_t mb = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 5;
    int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (sodium_init() < 0)
        return 1;
    fs::path work = fs::temp_directory_path() / ("tessaly-strong-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "tmp");
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    tessaly::SilentUi ui;

    // The key derivation: a strong file of an empty archive costs the derivation and nothing else.
    std::ofstream(work / "empty.zip").flush();
    Cost kdf;
    for (int i = 0; i < 3; ++i) {
        auto start = Clock::now();
        double cpuStart = cpuSeconds();
        tessaly::sealStrong(work / "empty.zip", work / "empty.tsy", "bench-Passw0rd",
                            tessaly::KdfParameters{}, ui);
        kdf.keepBest(seconds(start), cpuSeconds() - cpuStart);
    }
    tessaly::KdfParameters defaults;
    std::printf("key derivation (Argon2id, opslimit %u, memlimit %llu MiB): %.3f s wall, %.3f s CPU (target "
                "0.3-1 s)\n",
                defaults.opslimit, static_cast<unsigned long long>(defaults.memlimit >> 20), kdf.wall,
                kdf.cpu);
    Cost enc = encryptionAlone(2048);
    double encMB = 2048.0 * 1.048576;
    std::printf(
        "encryption alone (XChaCha20-Poly1305 secret stream, 64 KiB chunks, in memory): %.0f MB per CPU "
        "second (target > 1000), %.0f MB/s wall\n",
        encMB / enc.cpu, encMB / enc.wall);

    fs::path prefix = work / "prefix";
    fs::copy(TESSALY_SAMPLE_PROFILE_DIR, prefix,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::path store = storeOf(prefix);
    std::printf("generating %d store files of %zu MB...\n", files, mb);
    std::string buffer;
    for (int i = 0; i < files; ++i) {
        bench::MailText text(static_cast<std::uint64_t>(i) + 1);
        text.fill(buffer, mb << 20);
        std::ofstream(store / ("Folder" + std::to_string(i) + ".dbx"), std::ios::binary) << buffer;
    }
    std::string().swap(buffer);

    // Alternating runs, the best of each: the machine's other load hits both alike.
    Cost compatible, strong;
    for (int r = 0; r < rounds; ++r) {
        backupOnce(prefix, work / "compatible.tsy", tessaly::Protection::Compatible, compatible);
        backupOnce(prefix, work / "strong.tsy", tessaly::Protection::Strong, strong);
    }
    double fileMB = static_cast<double>(fs::file_size(work / "strong.tsy")) / 1e6;
    std::printf("backup file: %.1f MB strong, %.1f MB compatible\n", fileMB,
                static_cast<double>(fs::file_size(work / "compatible.tsy")) / 1e6);
    std::printf(
        "backup of %d x %zu MB, best of %d: compatible %.2f s wall / %.2f s CPU, strong %.2f s wall / "
        "%.2f s CPU\n",
        files, mb, rounds, compatible.wall, compatible.cpu, strong.wall, strong.cpu);
    std::printf(
        "strong / (compatible + key derivation): %.3f by CPU time, %.3f by wall time (target <= 1.05)\n",
        strong.cpu / (compatible.cpu + kdf.cpu), strong.wall / (compatible.wall + kdf.wall));

    auto openStart = Clock::now();
    tessaly::openArchive(work / "strong.tsy", "bench-Passw0rd", work / "tmp" / "plain.zip",
                         tessaly::CodePage(1252), ui);
    double openTime = seconds(openStart);
    std::printf("opening the strong file: %.2f s, %.0f MB/s after the key derivation\n", openTime,
                fileMB / std::max(1e-9, openTime - kdf.wall));
    std::printf("peak memory (max RSS): %.1f MiB (target < 64 + memlimit %llu = %llu)\n", peakMiB(),
                static_cast<unsigned long long>(defaults.memlimit >> 20),
                static_cast<unsigned long long>(64 + (defaults.memlimit >> 20)));
    fs::remove_all(work);
    return 0;
}

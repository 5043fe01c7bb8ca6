// registry_roundtrip_bench.cpp -- load and save a Wine registry file; prints time per round trip and peak
// memory.
#include "platform/AtomicFile.h"
#include "registry/WineHive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SYSTEM.REG [ROUNDS]\n", argv[0]);
        return 2;
    }
    fs::path source = argv[1];
    int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    fs::path work = fs::temp_directory_path() / ("tessaly-bench-" + std::to_string(getpid()) + ".reg");
    fs::copy_file(source, work, fs::copy_options::overwrite_existing);

    size_t keys = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        tessaly::WineHive hive = tessaly::WineHive::load(work);
        // Change one key so that the save really writes, as a restore would.
        bool created = false;
        auto& key = hive.create(u"Software\\TessalyBench", &created);
        hive.setValue(key, u"Round", 4, std::string(reinterpret_cast<const char*>(&i), 4));
        hive.save(work, tessaly::fileVersionOf(work));
        if (i == 0) {
            std::vector<const tessaly::RegKey*> stack{&hive.root()};
            while (!stack.empty()) {
                auto* k = stack.back();
                stack.pop_back();
                keys += k->subkeys.size();
                for (auto& c : k->subkeys)
                    stack.push_back(c.get());
            }
        }
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("file: %s (%ju bytes, %zu keys)\n", source.filename().c_str(),
                static_cast<uintmax_t>(fs::file_size(source)), keys);
    std::printf("rounds: %d, time per load+change+save round trip: %.4f s\n", rounds, secs / rounds);
    std::printf("peak memory (max RSS): %.1f MiB\n", usage.ru_maxrss / 1024.0);
    fs::remove(work);
    return 0;
}

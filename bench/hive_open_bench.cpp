// hive_open_bench.cpp -- opening a Windows user profile whose NTUSER.DAT is about N MB and listing its
// identities, as the program does at start-up (profile session, code page, environment, identity table):
// wall and CPU seconds per run, min and median. The hive is the sample profile's registry plus filler keys
// of 1 KB binary values, written through hivex; it is in the page cache when timed.
// Usage: hive_open_bench [megabytes=50] [repeats=5]
#include "engine/IdentityTable.h"
#include "engine/ProfileSession.h"
#include "engine/SilentUi.h"
#include "platform/TempFiles.h"
#include "platform/WindowsProfile.h"

#include "BenchSupport.h"
#include "HiveWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using namespace tessaly;
using tessaly::bench::Clock;

int main(int argc, char** argv) {
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    PrivateWorkDir dir;
    const fs::path folder = dir.path() / "sample";
    fs::create_directories(folder);

    WineHive user = WineHive::load(fs::path(TESSALY_SAMPLE_PROFILE_DIR) / "user.reg");
    const std::string kilobyte(1024, '\x5a');
    const int valuesPerKey = 64;
    // A 1 KB value takes about 1,370 bytes of hive with its cells and list entries.
    const int keys = int(double(megabytes) * 1e6 / (valuesPerKey * 1370.0));
    for (int k = 0; k < keys; ++k) {
        char name[64];
        std::snprintf(name, sizeof name, "Software\\Filler\\Group%03d\\Key%05d", k % 100, k);
        RegKey& key = user.create(utf8ToUtf16(name));
        for (int v = 0; v < valuesPerKey; ++v)
            user.setValue(key, utf8ToUtf16("Value" + std::to_string(v)), kRegBinary, kilobyte);
    }
    auto made = Clock::now();
    test::writeHive(folder / "NTUSER.DAT", user.root());
    std::printf("hive: %.1f MB (%d filler keys of %d values of 1 KB), written in %.1f s\n",
                double(fs::file_size(folder / "NTUSER.DAT")) / 1e6, keys, valuesPerKey, bench::seconds(made));

    std::vector<double> wall, cpu;
    std::size_t identities = 0;
    for (int i = 0; i < repeats; ++i) {
        SilentUi ui;
        const double cpuStart = bench::cpuSeconds();
        auto start = Clock::now();
        Profile profile = *windowsProfileAt(folder, std::nullopt);
        ProfileSession session(profile, ui);
        IdentityTable table;
        bool notInstalled = false;
        EnumerateIdentities(session.modReg(), table, notInstalled);
        wall.push_back(bench::seconds(start));
        cpu.push_back(bench::cpuSeconds() - cpuStart);
        identities = table.size();
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    std::printf("open + list identities (%zu rows): wall min %.3f s, median %.3f s; cpu median %.3f s "
                "(%d runs; target under 1 s); peak memory %.0f MiB\n",
                identities, *std::min_element(wall.begin(), wall.end()), median(wall), median(cpu), repeats,
                bench::peakMiB());
    return 0;
}

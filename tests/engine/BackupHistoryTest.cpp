// BackupHistoryTest.cpp -- backup runs on the sample profile: no policy replaces, shrunk message stores are
// caught, and the re-read catches a damaged file.
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/history/BackupReread.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace test;
namespace fs = std::filesystem;

// A message store with a valid header that counts `messages`, padded to `size` bytes.
std::string storeBytes(std::uint32_t messages, size_t size) {
    std::string bytes(size, '\0');
    bytes.replace(0, 4, "\xCF\xAD\x12\xFE");
    for (int i = 0; i < 4; ++i)
        bytes[0xC4 + i] = static_cast<char>((messages >> (8 * i)) & 0xFF);
    return bytes;
}

struct HistoryRun : ::testing::Test {
    TempDir dir;
    EngineProfile p{dir / "p"};
    fs::path target = dir / "b.tsy";
    std::time_t clock = 1796000000; // 2026-11-30, any zone

    BackupResult run(const char* keep) {
        BackupPlan plan;
        plan.target = target;
        plan.identityKey = kIdA;
        plan.items[kItemMessages] = true;
        plan.password = "pw";
        plan.time = clock += 86400;
        if (keep)
            plan.keep = *parseRetentionPolicy(keep, nullptr);
        plan.leadingEntries = {{"BackupTime", generalDateTime(plan.time)}};
        plan.interactive = false;
        return runBackup(*p.session, p.state, p.ui, plan);
    }
    fs::path inbox() const { return storeOf(p.prefix, kIdA) / "Inbox.dbx"; }
};

// Rotation, pruning and a failed run on real runs are followed end to end in RealCrontabHistoryTest.
TEST_F(HistoryRun, WithoutAPolicyARunReplacesTheTargetAndLeavesTheVersions) {
    run("2l");
    run("2l");
    EXPECT_EQ(run(nullptr).placed.placement, Placement::Replaced);
    EXPECT_EQ(listVersions(target).size(), 2u);
}

// The shrink thresholds; the CLI test follows an emptied store end to end.
TEST_F(HistoryRun, AShrunkStoreKeepsTheNewFileAsideAndPinsThePreviousBackup) {
    struct Case {
        const char* what;
        std::string bytes;
        bool suspect;
    };
    const Case cases[] = {
        {"half the messages are still there", storeBytes(20, 8192), false},
        {"fewer than half the messages", storeBytes(9, 8192), true},
        {"fewer than half the bytes", storeBytes(40, 4000), true},
        {"no valid header", std::string(8192, 'x'), true},
    };
    for (const Case& c : cases) {
        writeFile(inbox(), storeBytes(40, 8192));
        ASSERT_EQ(run("7d").placed.placement, Placement::Rotated) << c.what;
        const std::string previous = readFile(target);
        writeFile(inbox(), c.bytes);
        BackupResult result = run("7d");
        EXPECT_EQ(result.placed.placement, c.suspect ? Placement::Suspect : Placement::Rotated) << c.what;
        if (!c.suspect)
            continue;
        ASSERT_EQ(result.shrunkStores.size(), 1u) << c.what;
        EXPECT_EQ(result.shrunkStores[0].rfind("Inbox.dbx: ", 0), 0u) << result.shrunkStores[0];
        EXPECT_EQ(readFile(target), previous) << c.what;
        EXPECT_EQ(readFile(result.placed.earlier), previous) << c.what;
    }
}

TEST_F(HistoryRun, TheReReadCatchesADamagedFileAndAWrongPassword) {
    ASSERT_EQ(run(nullptr).placed.placement, Placement::Replaced);
    EXPECT_EQ(rereadBackup(target, "pw", p.work.path(), p.session->codePage()), std::vector<std::string>{});
    EXPECT_FALSE(rereadBackup(target, "other", p.work.path(), p.session->codePage()).empty());
    std::string bytes = readFile(target);
    bytes[bytes.size() / 2] ^= 0x5A; // inside a member's data: its CRC no longer matches
    writeFile(dir / "damaged.tsy", bytes);
    EXPECT_FALSE(rereadBackup(dir / "damaged.tsy", "pw", p.work.path(), p.session->codePage()).empty());
    // Nothing but the folder's owner mark is left in the working folder.
    for (const auto& e : fs::directory_iterator(p.work.path()))
        if (e.path().filename() != ".owner")
            ADD_FAILURE() << "left in the working folder: " << e.path().filename();
}

} // namespace
} // namespace tessaly

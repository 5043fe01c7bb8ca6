// BackupHistoryTest.cpp -- backup runs on the sample profile that rotate, keep partial files aside and
// catch message stores that were emptied between two runs.
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/history/BackupReread.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

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

    BackupResult run(const std::string& identity, const char* keep, bool acceptShrink = false) {
        BackupPlan plan;
        plan.target = target;
        plan.identityKey = identity;
        plan.items[kItemMessages] = true;
        plan.password = "pw";
        plan.time = clock += 86400;
        if (keep)
            plan.keep = *parseRetentionPolicy(keep, nullptr);
        plan.acceptShrink = acceptShrink;
        plan.leadingEntries = {{"BackupTime", generalDateTime(plan.time)}};
        plan.interactive = false;
        return runBackup(*p.session, p.state, p.ui, plan);
    }
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> found;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.is_regular_file())
                found[e.path().filename().string()] = readFile(e.path());
        return found;
    }
    fs::path inbox() const { return storeOf(p.prefix, kIdA) / "Inbox.dbx"; }
};

TEST_F(HistoryRun, CompleteRunsRotateAndPruneAFailedRunLeavesEveryEarlierFile) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(run(kIdA, "2l").placed.placement, Placement::Rotated);
    std::vector<BackupVersion> versions = listVersions(target);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].kind, VersionKind::Current);
    EXPECT_EQ(versions[0].time, clock);
    EXPECT_EQ(versions[1].file, versionPath(target, clock - 86400, VersionKind::Earlier));

    const auto before = files();
    BackupResult failed = run("{NO-SUCH-IDENTITY}", "2l");
    EXPECT_EQ(failed.itemFlags, "00000000");
    EXPECT_EQ(failed.placed.placement, Placement::Partial);
    EXPECT_EQ(failed.placed.file, versionPath(target, clock, VersionKind::Partial));
    auto after = files();
    after.erase(failed.placed.file.filename().string());
    EXPECT_EQ(after, before);

    // Without a policy a complete run replaces the target and leaves the versions alone.
    EXPECT_EQ(run(kIdA, nullptr).placed.placement, Placement::Replaced);
    EXPECT_EQ(listVersions(target).size(), 3u);
}

TEST_F(HistoryRun, AnEmptiedStoreKeepsTheNewFileAsideAndPinsThePreviousBackup) {
    writeFile(inbox(), storeBytes(40, 8192));
    ASSERT_EQ(run(kIdA, "7d").placed.placement, Placement::Rotated);
    const std::string good = readFile(target);
    auto facts = recordedStoreFacts(target, "pw", p.work.path(), p.session->codePage());
    ASSERT_TRUE(facts);
    std::set<std::string> names;
    for (const StoreFact& f : *facts)
        names.insert(f.name + (f.messages ? "=" + std::to_string(*f.messages) : ""));
    EXPECT_TRUE(names.count("Inbox.dbx=40")) << formatStoreFacts(*facts);

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
        ASSERT_EQ(run(kIdA, "7d").placed.placement, Placement::Rotated) << c.what;
        const std::string previous = readFile(target);
        writeFile(inbox(), c.bytes);
        BackupResult result = run(kIdA, "7d");
        if (!c.suspect) {
            EXPECT_EQ(result.placed.placement, Placement::Rotated) << c.what;
            continue;
        }
        EXPECT_EQ(result.placed.placement, Placement::Suspect) << c.what;
        EXPECT_EQ(result.placed.file, versionPath(target, clock, VersionKind::Suspect)) << c.what;
        ASSERT_EQ(result.shrunkStores.size(), 1u) << c.what;
        EXPECT_EQ(result.shrunkStores[0].rfind("Inbox.dbx: ", 0), 0u) << result.shrunkStores[0];
        EXPECT_EQ(readFile(target), previous) << c.what;
        EXPECT_EQ(readFile(result.placed.earlier), previous) << c.what;
        EXPECT_EQ(versionOf(target, result.placed.earlier)->kind, VersionKind::Pinned);
    }
    // Accepted, the shrunk stores make a complete backup like any other.
    BackupResult accepted = run(kIdA, "7d", true);
    EXPECT_EQ(accepted.placed.placement, Placement::Rotated);
    EXPECT_TRUE(accepted.shrunkStores.empty());
    EXPECT_NE(readFile(target), good);
}

TEST_F(HistoryRun, TheReReadCatchesADamagedFileAndAWrongPassword) {
    ASSERT_EQ(run(kIdA, nullptr).placed.placement, Placement::Replaced);
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

// BackupVersionsTest.cpp -- version names, placing a new file among them, pruning, pinning and making room,
// on files.
#include "engine/history/BackupPlacement.h"
#include "engine/history/BackupSpace.h"
#include "engine/history/VersionChoice.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

namespace tessaly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

class UtcClock : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        hadTz_ = old != nullptr;
        oldTz_ = old ? old : "";
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    void TearDown() override {
        hadTz_ ? setenv("TZ", oldTz_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static std::time_t at(const char* stamp) { return *parseVersionStamp(stamp); }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(dir.path()))
            found.insert(e.path().filename().string());
        return found;
    }
    void make(const std::string& name, const std::string& bytes = "x") { test::writeFile(dir / name, bytes); }
    TempDir dir;

private:
    bool hadTz_ = false;
    std::string oldTz_;
};

TEST_F(UtcClock, OnlyTheExactNamePatternOfTheTargetIsAVersion) {
    const fs::path target = dir / "b.tsy";
    struct Case {
        const char* name;
        std::optional<VersionKind> kind;
    };
    const Case cases[] = {
        {"b.tsy", VersionKind::Current},
        {"b.2026-12-01_031500.tsy", VersionKind::Earlier},
        {"b.2026-12-01_031500.keep.tsy", VersionKind::Pinned},
        {"b.2026-12-01_031500.partial.tsy", VersionKind::Partial},
        {"b.2026-12-01_031500.suspect.tsy", VersionKind::Suspect},
        {"b.2026-12-01_0315.tsy", std::nullopt},
        {"bb.2026-12-01_031500.tsy", std::nullopt},
        {"a.b.2026-12-01_031500.tsy", std::nullopt},
        {"B.2026-12-01_031500.tsy", std::nullopt},
        {"b.2026-12-01_031500.tsy.bak", std::nullopt},
        {"b.2026-12-01_031500.TSY", std::nullopt},
        {"b.2026-13-01_031500.tsy", std::nullopt},
        {"b.2026-12-01_031500.other.tsy", std::nullopt},
        {"b.2026-12-01_031500.keep.partial.tsy", std::nullopt},
        {"b.2026-12-01T03:15:00.tsy", std::nullopt},
    };
    for (const Case& c : cases) {
        auto version = versionOf(target, dir / c.name);
        EXPECT_EQ(version ? std::optional<VersionKind>(version->kind) : std::nullopt, c.kind) << c.name;
        if (version) {
            EXPECT_EQ(targetOfVersion(dir / c.name), target) << c.name;
        }
    }
    EXPECT_EQ(versionPath(target, at("2026-12-01_031500"), VersionKind::Pinned),
              dir / "b.2026-12-01_031500.keep.tsy");
    EXPECT_EQ(versionStamp(at("2026-02-28_235959")), "2026-02-28_235959");
    EXPECT_EQ(versionPath(dir / "noext", at("2026-12-01_031500"), VersionKind::Earlier),
              dir / "noext.2026-12-01_031500");
}

TEST_F(UtcClock, RotationKeepsTheEarlierFileUnderItsTimeAndPrunesOnlyItsOwnCompleteVersions) {
    const fs::path target = dir / "b.tsy";
    make("b.tsy", "old");
    setBackupTime(target, at("2026-12-03_020000"));
    for (const char* name : {"b.2026-12-01_020000.tsy", "b.2026-12-02_020000.tsy",
                             "b.2026-11-01_020000.keep.tsy", "b.2026-11-02_020000.partial.tsy",
                             "b.2026-11-03_020000.suspect.tsy", "c.2026-11-01_020000.tsy", "b.copy.tsy"})
        make(name);
    make("new", "new");
    PlacedBackup placed = placeBackup(dir / "new", target, at("2026-12-04_020000"), Placement::Rotated,
                                      *parseRetentionPolicy("2l", nullptr));
    EXPECT_EQ(placed.earlier, dir / "b.2026-12-03_020000.tsy");
    EXPECT_EQ(placed.pruned.size(), 2u);
    EXPECT_EQ(names(),
              (std::set<std::string>{"b.tsy", "b.2026-12-03_020000.tsy", "b.2026-11-01_020000.keep.tsy",
                                     "b.2026-11-02_020000.partial.tsy", "b.2026-11-03_020000.suspect.tsy",
                                     "c.2026-11-01_020000.tsy", "b.copy.tsy"}));
    EXPECT_EQ(test::readFile(target), "new");
    EXPECT_EQ(test::readFile(dir / "b.2026-12-03_020000.tsy"), "old");
    EXPECT_EQ(listVersions(target).front().time, at("2026-12-04_020000"));
}

TEST_F(UtcClock, SameSecondPartialsGetConsecutiveNamesAndReplacingLeavesTheVersions) {
    const fs::path target = dir / "b.tsy";
    make("b.2026-11-30_020000.tsy", "older");
    const RetentionPolicy keepOne = *parseRetentionPolicy("1l", nullptr);
    for (const char* name : {"b.2026-12-02_020000.partial.tsy", "b.2026-12-02_020001.partial.tsy"}) {
        make("new", "partial");
        EXPECT_EQ(placeBackup(dir / "new", target, at("2026-12-02_020000"), Placement::Partial, keepOne).file,
                  dir / name);
    }
    make("new", "replacement");
    EXPECT_EQ(placeBackup(dir / "new", target, at("2026-12-04_020000"), Placement::Replaced, keepOne).file,
              target);
    EXPECT_EQ(test::readFile(target), "replacement");
    EXPECT_TRUE(fs::exists(dir / "b.2026-11-30_020000.tsy"));
}

// That pruning spares pinned files is checked with the rotation above.
TEST_F(UtcClock, PinningRenamesACompleteVersionAndRefusesAPartialOne) {
    const fs::path target = dir / "b.tsy";
    make("b.2026-11-01_020000.tsy", "november");
    make("b.2026-11-02_020000.partial.tsy");
    EXPECT_EQ(pinVersion(target, *versionOf(target, dir / "b.2026-11-01_020000.tsy")),
              dir / "b.2026-11-01_020000.keep.tsy");
    EXPECT_THROW(pinVersion(target, *versionOf(target, dir / "b.2026-11-02_020000.partial.tsy")),
                 std::runtime_error);
    EXPECT_EQ(test::readFile(dir / "b.2026-11-01_020000.keep.tsy"), "november");
}

TEST_F(UtcClock, RestoreFromATimeTakesTheNewestCompleteVersionAtOrBeforeIt) {
    const fs::path target = dir / "b.tsy";
    for (const char* name : {"b.2026-11-30_020000.tsy", "b.2026-12-01_020000.keep.tsy",
                             "b.2026-12-01_030000.partial.tsy", "b.2026-12-02_020000.suspect.tsy"})
        make(name);
    make("b.tsy");
    setBackupTime(target, at("2026-12-03_020000"));
    const std::vector<BackupVersion> versions = listVersions(target);
    struct Case {
        const char* from;
        const char* chosen; // nullptr: none
    };
    const Case cases[] = {
        {"2026-12-01", "b.2026-12-01_020000.keep.tsy"},
        {"2026-12-02 23:59", "b.2026-12-01_020000.keep.tsy"},
        {"2026-12-03", "b.tsy"},
        {"2026-11-30 01:59:59", nullptr},
        {"2026-11-30_020000", "b.2026-11-30_020000.tsy"},
    };
    for (const Case& c : cases) {
        auto when = parseFromTime(c.from);
        ASSERT_TRUE(when) << c.from;
        auto chosen = newestCompleteAtOrBefore(versions, *when);
        EXPECT_EQ(chosen ? chosen->file.filename().string() : "", c.chosen ? c.chosen : "") << c.from;
    }
    for (const char* bad : {"yesterday", "2026-12", "2026-12-01 25:00", "2026-12-01x"})
        EXPECT_FALSE(parseFromTime(bad)) << bad;
}

// A file system of `capacity` bytes that holds only the test's folder.
struct SmallDisk {
    const fs::path folder;
    std::uint64_t capacity;
    std::uint64_t operator()(const fs::path&) const {
        std::uint64_t used = 0;
        for (const auto& e : fs::directory_iterator(folder))
            used += fs::file_size(e.path());
        return used >= capacity ? 0 : capacity - used;
    }
};

TEST_F(UtcClock, ShortOfSpaceOnlyWhatThePolicyWouldPruneGoesOldestFirst) {
    const fs::path target = dir / "b.tsy";
    const std::string backup(100, 'b');
    for (const char* name : {"b.2026-11-01_020000.tsy", "b.2026-11-02_020000.tsy", "b.2026-11-03_020000.tsy",
                             "b.2026-11-04_020000.tsy", "b.2026-10-01_020000.keep.tsy"})
        make(name, backup);
    make("b.tsy", backup);
    setBackupTime(target, at("2026-11-05_020000"));
    const RetentionPolicy policy = *parseRetentionPolicy("3l", nullptr);
    const std::time_t next = at("2026-11-06_020000");

    EXPECT_TRUE(makeRoomForBackup(target, policy, next, SmallDisk{dir.path(), 1000}).empty());
    // 50 bytes short: the oldest prunable version goes, and no more.
    EXPECT_EQ(makeRoomForBackup(target, policy, next, SmallDisk{dir.path(), 650}),
              std::vector<fs::path>{dir / "b.2026-11-01_020000.tsy"});
    // Far too little: what 3 last would drop once the new backup comes (the 2nd) goes; the rest is kept.
    try {
        makeRoomForBackup(target, policy, next, SmallDisk{dir.path(), 100});
        ADD_FAILURE() << "no error for a disk that cannot hold the backup";
    } catch (const NoRoomForBackup& e) {
        EXPECT_NE(std::string(e.what()).find("not enough free space"), std::string::npos) << e.what();
    }
    EXPECT_EQ(names(), (std::set<std::string>{"b.tsy", "b.2026-11-03_020000.tsy", "b.2026-11-04_020000.tsy",
                                              "b.2026-10-01_020000.keep.tsy"}));
}

} // namespace
} // namespace tessaly

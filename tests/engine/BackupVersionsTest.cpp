// BackupVersionsTest.cpp -- version names, placing a new file among them, pruning, pinning and making room,
// on files; the retention rules that choose what is pruned.
#include "engine/history/BackupPlacement.h"
#include "engine/history/BackupSpace.h"
#include "engine/history/RetentionPolicy.h"
#include "engine/history/VersionChoice.h"

#include "../platform/EnvGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

namespace tessaly {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// Sets the local time zone for one test: rules written out, so that no time zone database is needed.
class InZone : public ::testing::Test {
protected:
    explicit InZone(const char* zone) {
        tz_->set("TZ", zone);
        tzset();
    }
    ~InZone() override {
        tz_.reset();
        tzset();
    }

private:
    std::optional<test::EnvGuard> tz_{std::in_place};
};

class UtcClock : public InZone {
protected:
    UtcClock() : InZone("UTC0") {}
    static std::time_t at(const char* stamp) { return *parseVersionStamp(stamp); }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(dir.path()))
            found.insert(e.path().filename().string());
        return found;
    }
    void make(const std::string& name, const std::string& bytes = "x") { test::writeFile(dir / name, bytes); }
    TempDir dir;
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

// The retention rules against keep-sets that borg prune 1.2.4 printed for the same series and policies,
// in Central European time across the autumn change of clocks.
class CentralEuropeanTime : public InZone {
protected:
    CentralEuropeanTime() : InZone("CET-1CEST,M3.5.0,M10.5.0/3") {}
    static std::time_t local(int y, int mo, int d, int h, int mi) {
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = mo - 1;
        tm.tm_mday = d;
        tm.tm_hour = h;
        tm.tm_min = mi;
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }
    static std::string label(std::time_t t) {
        std::tm tm{};
        localtime_r(&t, &tm);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d_%H%M", &tm);
        return text + std::string(tm.tm_isdst ? "" : "w"); // w: winter time, to tell the repeated hour apart
    }
    static std::set<std::string> keptLabels(const std::vector<std::time_t>& times,
                                            const std::string& policy) {
        std::string error;
        auto parsed = parseRetentionPolicy(policy, &error);
        EXPECT_TRUE(parsed) << error;
        std::vector<bool> kept = keptByPolicy(times, *parsed);
        std::set<std::string> labels;
        for (size_t i = 0; i < times.size(); ++i)
            if (kept[i])
                labels.insert(label(times[i]));
        return labels;
    }
};

// 120 daily backups at 00:30 local time, 2026-08-03 to 2026-11-30: in UTC each one falls on the day
// before, so a rule that used UTC would pick other weeks' last days.
TEST_F(CentralEuropeanTime, DailySeriesMatchesBorgPrune) {
    std::vector<std::time_t> times;
    for (int i = 0; i < 120; ++i)
        times.push_back(local(2026, 11, 30 - i, 0, 30)); // mktime normalises the day
    std::set<std::string> expected = {
        "2026-11-30_0030w", "2026-11-29_0030w", "2026-11-28_0030w", "2026-11-27_0030w",
        "2026-11-26_0030w", "2026-11-25_0030w", "2026-11-24_0030w",                     // daily
        "2026-11-22_0030w", "2026-11-15_0030w", "2026-11-08_0030w", "2026-11-01_0030w", // weekly (Sundays)
        "2026-10-31_0030w", "2026-09-30_0030",  "2026-08-31_0030",                      // monthly
        "2026-08-03_0030",                                                              // monthly, oldest
    };
    EXPECT_EQ(keptLabels(times, "7d,4w,6m"), expected);
}

// An irregular series (given in UTC seconds) with two backups in the repeated hour of 2026-10-25.
TEST_F(CentralEuropeanTime, IrregularSeriesMatchesBorgPrune) {
    const std::vector<std::time_t> times = {
        1796025600, // 2026-11-30 09:00
        1796022000, // 2026-11-30 08:00
        1795906740, // 2026-11-28 23:59
        1794826800, // 2026-11-16 12:00
        1793575800, // 2026-11-02 00:30 (Monday)
        1793572200, // 2026-11-01 23:30 (Sunday)
        1792891800, // 2026-10-25 02:30 CET (the second 02:30)
        1792888200, // 2026-10-25 02:30 CEST
        1792836000, // 2026-10-24 12:00
        1789056000, // 2026-09-10 18:00
        1774747800, // 2026-03-29 03:30 CEST (just after the spring change)
        1767220200, // 2025-12-31 23:30
        1748772000, // 2025-06-01 12:00
    };
    struct Case {
        const char* policy;
        std::set<std::string> kept;
    };
    const Case cases[] = {
        {"3d,2w,4m,1y",
         {"2026-11-30_0900w", "2026-11-28_2359w", "2026-11-16_1200w", "2026-11-02_0030w", "2026-11-01_2330w",
          "2026-10-25_0230w", "2026-09-10_1800", "2026-03-29_0330", "2025-12-31_2330w", "2025-06-01_1200"}},
        {"2l,1d,2w",
         {"2026-11-30_0900w", "2026-11-30_0800w", "2026-11-28_2359w", "2026-11-16_1200w",
          "2026-11-02_0030w"}},
        {"20m",
         {"2026-11-30_0900w", "2026-10-25_0230w", "2026-09-10_1800", "2026-03-29_0330", "2025-12-31_2330w",
          "2025-06-01_1200"}},
        {"3w,5y",
         {"2026-11-30_0900w", "2026-11-28_2359w", "2026-11-16_1200w", "2025-12-31_2330w", "2025-06-01_1200"}},
        {"5l",
         {"2026-11-30_0900w", "2026-11-30_0800w", "2026-11-28_2359w", "2026-11-16_1200w",
          "2026-11-02_0030w"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keptLabels(times, c.policy), c.kept) << c.policy;
    EXPECT_EQ(keptLabels(times, ""), std::set<std::string>{});
    EXPECT_TRUE(keptByPolicy({}, *parseRetentionPolicy("7d", nullptr)).empty());
}

TEST(RetentionPolicyText, ParsesAndFormats) {
    struct Case {
        const char* text;
        const char* formatted; // nullptr: refused
    };
    const Case cases[] = {
        {"7d,4w,6m", "7d,4w,6m"}, {"6m,7d", "7d,6m"}, {"5l", "5l"},
        {"1y,2l", "2l,1y"},       {"", ""},           {"0d", ""},
        {"7", nullptr},           {"d", nullptr},     {"7x", nullptr},
        {"7d,", nullptr},         {",7d", nullptr},   {"7d,3d", nullptr},
        {"-1d", nullptr},         {"7 d", nullptr},   {"1e9d", nullptr},
    };
    for (const Case& c : cases) {
        std::string error;
        auto policy = parseRetentionPolicy(c.text, &error);
        if (!c.formatted) {
            EXPECT_FALSE(policy) << c.text;
            EXPECT_NE(error.find(c.text), std::string::npos) << error;
        } else {
            ASSERT_TRUE(policy) << c.text << ": " << error;
            EXPECT_EQ(formatRetentionPolicy(*policy), c.formatted);
        }
    }
    EXPECT_EQ(describeRetentionPolicy(*parseRetentionPolicy("7d,4w,6m", nullptr)),
              "7 daily, 4 weekly, 6 monthly");
}

} // namespace
} // namespace tessaly

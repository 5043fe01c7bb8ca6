// RetentionPolicyTest.cpp -- the retention rules against keep-sets that borg prune 1.2.4 printed for the
// same series and policies, in Central European time across the autumn change of clocks.
#include "engine/history/RetentionPolicy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace tessaly {
namespace {

// Central European time with its rules written out, so no time zone database is needed.
class CentralEuropeanTime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        hadTz_ = old != nullptr;
        oldTz_ = old ? old : "";
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        hadTz_ ? setenv("TZ", oldTz_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
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

private:
    bool hadTz_ = false;
    std::string oldTz_;
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

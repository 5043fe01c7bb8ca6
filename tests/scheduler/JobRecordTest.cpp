// JobRecordTest.cpp -- the job record, day list, start times and the scheduled command line.
#include "scheduler/AtInfo.h"
#include "scheduler/DayList.h"
#include "scheduler/ScheduledCommand.h"
#include "scheduler/StartTime.h"

#include <gtest/gtest.h>

#include <array>

namespace tessaly {
namespace {

// "1000001" -> {true, false, false, false, false, false, true}
template <size_t N> std::array<bool, N> bits(const char* text) {
    std::array<bool, N> out{};
    for (size_t i = 0; i < N && text[i]; ++i)
        out[i] = text[i] == '1';
    return out;
}

struct RecordCase {
    const char* name;
    std::string startTime;
    const char* days;  // Monday first
    const char* items; // the eight item boxes
    std::string password;
    uint32_t jobTime;
    std::string dayList;
    uint8_t daysOfWeek;
    std::string mask;
};

TEST(JobRecord, FilledAsTheWindowFillsIt) {
    const std::vector<RecordCase> cases = {
        {"midnight", "0:00", "", "1", "", 0, "", 0, "10000000"},
        {"23:30", "23:30", "", "1", "", 84600000, "", 0, "10000000"},
        {"Monday and Sunday", "9:00", "1000001", "11", "pw", 32400000, "M,SU", 65, "11000000"},
        {"every day", "21:30", "1111111", "1001", "", 77400000, "M,T,W,TH,F,S,SU", 127, "10010000"},
        {"Saturday alone loses its comma", "7:00", "0000010", "00000001", "", 25200000, "S", 32, "00000001"},
        {"Tuesday and Thursday", "12:30", "0101", "11111111", "a b", 45000000, "T,TH", 10, "11111111"},
    };
    for (const RecordCase& c : cases) {
        auto time = ParseStartTime(c.startTime);
        ASSERT_TRUE(time) << c.name;
        std::string dayList = BuildDayList(bits<7>(c.days));
        std::string command = BuildScheduledCommand("/opt/t/tessaly", "K", BuildItemMask(bits<8>(c.items)),
                                                    c.password, "/b/x.tsy");
        AT_INFO info = FillJobRecord(time->hour, time->minute, dayList, command);
        EXPECT_EQ(info.JobTime, c.jobTime) << c.name;
        EXPECT_EQ(dayList, c.dayList) << c.name;
        EXPECT_EQ(info.DaysOfWeek, c.daysOfWeek) << c.name;
        EXPECT_EQ(info.DaysOfMonth, 0u) << c.name;
        EXPECT_EQ(info.Flags, 1) << c.name;
        EXPECT_EQ(info.Command, "\"/opt/t/tessaly\" sf=Kxm=" + c.mask + "ps=" + c.password + "bf=/b/x.tsy")
            << c.name;
    }
}

TEST(JobRecord, DayListReadingIgnoresCaseAndUnknownPieces) {
    const std::vector<std::pair<std::string, uint8_t>> cases = {
        {"m,su", 65}, {"TH", 8}, {"T,TH", 10}, {"", 0}, {"X,W", 4}, {"M,,F", 17}, {"MO,TU", 0}, {"S,SU", 96}};
    for (const auto& [list, bits] : cases)
        EXPECT_EQ(DaysOfWeekFromList(list), bits) << list;
    for (uint8_t bits : {uint8_t{0}, uint8_t{1}, uint8_t{65}, uint8_t{96}, uint8_t{127}})
        EXPECT_EQ(DaysOfWeekFromList(DayListFromBits(bits)), bits) << int(bits);
}

TEST(JobRecord, TypedDayChoices) {
    const std::vector<std::pair<std::string, std::optional<uint8_t>>> cases = {
        {"daily", 127},       {"Daily", 127},       {"m,su", 65},       {"M,T,W,TH,F,S,SU", 127}, {"W", 4},
        {"MO", std::nullopt}, {"M,", std::nullopt}, {"", std::nullopt}, {"sunday", std::nullopt}};
    for (const auto& [text, bits] : cases)
        EXPECT_EQ(ParseDayChoice(text), bits) << text;
}

TEST(StartTimes, FortyEightHalfHours) {
    auto times = StartTimeChoices();
    ASSERT_EQ(times.size(), 48u);
    for (size_t i = 0; i < times.size(); ++i) {
        auto t = ParseStartTime(times[i]);
        ASSERT_TRUE(t) << times[i];
        EXPECT_EQ(t->hour * 60 + t->minute, static_cast<int>(i) * 30) << times[i];
        EXPECT_EQ(FormatStartTime(t->hour, t->minute), times[i]);
    }
}

TEST(StartTimes, TypedTimes) {
    const std::vector<std::pair<std::string, std::optional<std::pair<int, int>>>> cases = {
        {"9:00", {{9, 0}}},       {"09:05", {{9, 5}}},      {" 7:45 ", {{7, 45}}},
        {"23:59:59", {{23, 59}}}, {"9:30 PM", {{21, 30}}},  {"12:00 am", {{0, 0}}},
        {"12:15PM", {{12, 15}}},  {"00:00", {{0, 0}}},      {"24:00", std::nullopt},
        {"9:60", std::nullopt},   {"9:5", std::nullopt},    {"9", std::nullopt},
        {"", std::nullopt},       {"abc", std::nullopt},    {"13:00 PM", std::nullopt},
        {"9:00:6", std::nullopt}, {"123:00", std::nullopt}, {"9:00x", std::nullopt}};
    for (const auto& [text, expected] : cases) {
        auto t = ParseStartTime(text);
        ASSERT_EQ(t.has_value(), expected.has_value()) << text;
        if (t) {
            EXPECT_EQ(t->hour, expected->first) << text;
            EXPECT_EQ(t->minute, expected->second) << text;
        }
    }
}

TEST(ScheduledCommandLine, ReadBackAsTheUnattendedBackupReadsIt) {
    struct Case {
        std::string key, mask, password, file;
    };
    const std::vector<Case> cases = {{"{A-1}", "10000000", "", "/b/x.tsy"},
                                     {"{A-1}", "11111111", "; $HOME % * \"", "/t/two  blanks/b.tsy"},
                                     {"K", "00000001", "x", "C:\\Backups\\b.tsy"}};
    for (const Case& c : cases) {
        std::string command = BuildScheduledCommand("/usr/bin/tessaly", c.key, c.mask, c.password, c.file);
        auto parts = SplitScheduledCommand(command);
        ASSERT_TRUE(parts) << command;
        EXPECT_EQ(parts->program, "/usr/bin/tessaly");
        auto read = ParseScheduledArguments(parts->arguments);
        ASSERT_TRUE(read) << command;
        EXPECT_EQ(read->identityKey, c.key);
        EXPECT_EQ(read->mask, c.mask);
        EXPECT_EQ(read->password, c.password);
        EXPECT_EQ(read->backupFile, c.file);
    }
    // A value with "=" is what the reader cannot take: the pieces shift.
    auto shifted = ParseScheduledArguments("sf=Kxm=11111111ps=pass=wordbf=/b/x.tsy");
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->backupFile, "word");
    EXPECT_FALSE(ParseScheduledArguments("sf=Kxm=1ps="));
    EXPECT_FALSE(SplitScheduledCommand("/usr/bin/tessaly sf=K"));
    EXPECT_FALSE(SplitScheduledCommand("\"/usr/bin/tessaly\"sf=K"));
}

TEST(ScheduledCommandLine, ValuesThatCannotTravelAreRefused) {
    struct Case {
        CarriedValue what;
        std::string value;
        std::string messageStart; // empty: carried
    };
    const std::vector<Case> cases = {
        {CarriedValue::Password, "a=b", "The password cannot contain \"=\""},
        {CarriedValue::Password, "; $HOME % * \" ' \\", ""},
        {CarriedValue::Password, "line\nbreak", "The password cannot contain a line break"},
        {CarriedValue::IdentityKey, "{K=1}", "The identity key cannot contain \"=\""},
        {CarriedValue::BackupFile, "/b/a=b.tsy", "The backup file path cannot contain \"=\""},
        {CarriedValue::BackupFile, "/b/a\rb.tsy", "The backup file path cannot contain a line break"},
        {CarriedValue::BackupFile, "/b/two  blanks.tsy", ""},
        {CarriedValue::ProgramPath, "/opt/a=b/tessaly", ""},
        {CarriedValue::ProgramPath, "/opt/\"q\"/tessaly", "The program path cannot contain a double quote"},
    };
    for (const Case& c : cases) {
        auto why = WhyNotCarriable(c.what, c.value);
        if (c.messageStart.empty()) {
            EXPECT_FALSE(why) << c.value << ": " << why.value_or("");
        } else {
            ASSERT_TRUE(why) << c.value;
            EXPECT_TRUE(why->starts_with(c.messageStart)) << *why;
        }
    }
}

} // namespace
} // namespace tessaly

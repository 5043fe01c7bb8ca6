// DayList.h -- weekday codes "M,T,W,TH,F,S,SU" and the weekday bits of the job record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

struct WeekdayCode {
    const char* code;
    uint8_t bit;
};

// Monday to Sunday.
inline constexpr std::array<WeekdayCode, 7> kWeekdayCodes = {
    {{"M", 1}, {"T", 2}, {"W", 4}, {"TH", 8}, {"F", 16}, {"S", 32}, {"SU", 64}}};

inline constexpr uint8_t kEveryDay = 127;

// The comma-separated codes of the checked days (Monday first), without a trailing comma.
std::string BuildDayList(const std::array<bool, 7>& checked);

// The sum of the bits of every piece (upper-cased) that is a weekday code; other pieces add nothing.
uint8_t DaysOfWeekFromList(const std::string& dayList);

// The day list that names the given bits.
std::string DayListFromBits(uint8_t daysOfWeek);

// A day choice typed by a person: "daily" or codes separated by commas, any letter case. nullopt
// when a piece is not a weekday code.
std::optional<uint8_t> ParseDayChoice(const std::string& text);

} // namespace tessaly

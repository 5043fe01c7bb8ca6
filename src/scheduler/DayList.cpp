// DayList.cpp -- building and reading weekday lists.
#include "scheduler/DayList.h"

#include <cctype>
#include <vector>

namespace tessaly {

namespace {

std::vector<std::string> splitAtCommas(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == ',')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string BuildDayList(const std::array<bool, 7>& checked) {
    // Every code but Sunday's carries its comma; a list that then ends in a comma loses it.
    static const std::array<const char*, 7> pieces = {"M,", "T,", "W,", "TH,", "F,", "S,", "SU"};
    std::string list;
    for (size_t i = 0; i < 7; ++i)
        if (checked[i])
            list += pieces[i];
    if (!list.empty() && list.back() == ',')
        list.pop_back();
    return list;
}

uint8_t DaysOfWeekFromList(const std::string& dayList) {
    uint8_t bits = 0;
    for (const std::string& piece : splitAtCommas(dayList)) {
        std::string code = upper(piece);
        for (const WeekdayCode& day : kWeekdayCodes)
            if (code == day.code)
                bits = static_cast<uint8_t>(bits + day.bit);
    }
    return bits;
}

std::string DayListFromBits(uint8_t daysOfWeek) {
    std::array<bool, 7> checked{};
    for (size_t i = 0; i < 7; ++i)
        checked[i] = (daysOfWeek & kWeekdayCodes[i].bit) != 0;
    return BuildDayList(checked);
}

std::optional<uint8_t> ParseDayChoice(const std::string& text) {
    if (upper(text) == "DAILY")
        return kEveryDay;
    uint8_t bits = 0;
    for (const std::string& piece : splitAtCommas(text)) {
        std::string code = upper(piece);
        bool known = false;
        for (const WeekdayCode& day : kWeekdayCodes)
            if (code == day.code) {
                bits |= day.bit;
                known = true;
            }
        if (!known)
            return std::nullopt;
    }
    return bits;
}

} // namespace tessaly

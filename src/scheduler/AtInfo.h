// AtInfo.h -- the scheduler job record: start time, weekdays, flags and the command to run.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

inline constexpr uint8_t JOB_RUN_PERIODICALLY = 0x01;

struct AT_INFO {
    uint32_t JobTime = 0;     // milliseconds after midnight
    uint32_t DaysOfMonth = 0; // bit n-1 for day n of the month
    uint8_t DaysOfWeek = 0;   // Monday 1, Tuesday 2, ... Sunday 64
    uint8_t Flags = 0;
    std::string Command; // UTF-8 here; a Windows back end converts it to UTF-16 at the call
};

inline uint32_t JobTimeOf(int hour, int minute) {
    return static_cast<uint32_t>(hour * 3600 + minute * 60) * 1000u;
}

// The record as the schedule window fills it: the time, the weekdays named by the day list, the
// periodic flag and the command line.
AT_INFO FillJobRecord(int hour, int minute, const std::string& dayList, const std::string& command);

} // namespace tessaly

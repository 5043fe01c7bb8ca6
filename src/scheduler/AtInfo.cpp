// AtInfo.cpp -- filling the job record from the window's choices.
#include "scheduler/AtInfo.h"

#include "scheduler/DayList.h"

namespace tessaly {

AT_INFO FillJobRecord(int hour, int minute, const std::string& dayList, const std::string& command) {
    AT_INFO info;
    info.JobTime = JobTimeOf(hour, minute);
    info.DaysOfMonth = 0;
    info.DaysOfWeek = DaysOfWeekFromList(dayList);
    info.Flags = JOB_RUN_PERIODICALLY;
    info.Command = command;
    return info;
}

} // namespace tessaly

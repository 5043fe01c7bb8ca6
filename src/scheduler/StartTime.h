// StartTime.h -- the start times the schedule window offers and reading a typed time of day.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct StartTime {
    int hour = 0;
    int minute = 0;
};

// "0:00", "0:30", "1:00", ... "23:30": the hour without a leading zero.
std::vector<std::string> StartTimeChoices();

// The text shown as the start time once the choices are filled.
inline constexpr const char* kDefaultStartTime = "9:00";

// Reads "H:MM" or "HH:MM", optionally with ":SS" (ignored) and "AM"/"PM"; nullopt for anything that
// is not a time of day.
std::optional<StartTime> ParseStartTime(const std::string& text);

// "H:MM", as the choices write it.
std::string FormatStartTime(int hour, int minute);

} // namespace tessaly

// StartTime.cpp -- start time choices and parsing.
#include "scheduler/StartTime.h"

#include <cctype>

namespace tessaly {

std::vector<std::string> StartTimeChoices() {
    std::vector<std::string> times;
    for (int h = 0; h < 24; ++h) {
        times.push_back(std::to_string(h) + ":00");
        times.push_back(std::to_string(h) + ":30");
    }
    return times;
}

std::string FormatStartTime(int hour, int minute) {
    return std::to_string(hour) + (minute < 10 ? ":0" : ":") + std::to_string(minute);
}

namespace {

// Reads one or two digits at pos; -1 when there are none or more than two.
int readNumber(const std::string& text, size_t& pos) {
    size_t start = pos;
    int value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && pos - start < 3)
        value = value * 10 + (text[pos++] - '0');
    size_t digits = pos - start;
    return digits == 0 || digits > 2 ? -1 : value;
}

} // namespace

std::optional<StartTime> ParseStartTime(const std::string& raw) {
    size_t first = raw.find_first_not_of(' ');
    size_t last = raw.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    std::string text = raw.substr(first, last - first + 1);

    int half = 0; // 1 for AM, 2 for PM
    if (text.size() >= 2) {
        std::string tail = text.substr(text.size() - 2);
        for (char& c : tail)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (tail == "AM" || tail == "PM") {
            half = tail == "AM" ? 1 : 2;
            text.resize(text.size() - 2);
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
        }
    }

    size_t pos = 0;
    int hour = readNumber(text, pos);
    if (hour < 0 || pos >= text.size() || text[pos] != ':')
        return std::nullopt;
    ++pos;
    size_t minuteStart = pos;
    int minute = readNumber(text, pos);
    if (minute < 0 || pos - minuteStart != 2 || minute > 59)
        return std::nullopt;
    if (pos < text.size()) {
        if (text[pos] != ':')
            return std::nullopt;
        ++pos;
        size_t secondStart = pos;
        int second = readNumber(text, pos);
        if (second < 0 || pos - secondStart != 2 || second > 59 || pos != text.size())
            return std::nullopt;
    }
    if (half != 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == 2 ? 12 : 0);
    } else if (hour > 23) {
        return std::nullopt;
    }
    return StartTime{hour, minute};
}

} // namespace tessaly

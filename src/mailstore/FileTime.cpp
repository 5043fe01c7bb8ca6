// FileTime.cpp -- Windows file times to UTC calendar texts without the C library's time zone.
#include "mailstore/FileTime.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace tessaly {

namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL; // 1970-01-01 in file-time units
constexpr std::int64_t kLastSecond = 253402300799;          // 9999-12-31 23:59:59

std::optional<std::int64_t> unixSeconds(std::uint64_t fileTime) {
    if (fileTime < kUnixEpoch)
        return std::nullopt;
    std::int64_t s = std::int64_t((fileTime - kUnixEpoch) / 10000000ULL);
    if (s > kLastSecond)
        return std::nullopt;
    return s;
}

struct Civil {
    int year;
    unsigned month, day, hour, minute, second, weekday;
};

Civil civil(std::int64_t seconds) {
    using namespace std::chrono;
    sys_days days{std::chrono::days{seconds / 86400}};
    year_month_day ymd{days};
    std::int64_t rest = seconds % 86400;
    return {int(ymd.year()),          unsigned(ymd.month()), unsigned(ymd.day()),       unsigned(rest / 3600),
            unsigned(rest / 60 % 60), unsigned(rest % 60),   weekday{days}.c_encoding()};
}

} // namespace

std::string listingTime(std::uint64_t fileTime) {
    std::optional<std::int64_t> s = unixSeconds(fileTime);
    if (!s || *s == 0)
        return "-";
    Civil c = civil(*s);
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02u-%02u %02u:%02u", c.year, c.month, c.day, c.hour, c.minute);
    return out;
}

std::string mboxTime(std::uint64_t fileTime) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    Civil c = civil(unixSeconds(fileTime).value_or(0));
    char out[40];
    std::snprintf(out, sizeof out, "%s %s %2u %02u:%02u:%02u %04d", kDays[c.weekday], kMonths[c.month - 1],
                  c.day, c.hour, c.minute, c.second, c.year);
    return out;
}

} // namespace tessaly

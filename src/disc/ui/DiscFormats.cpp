// DiscFormats.cpp -- the number, date and speed texts of the disc windows.
#include "disc/ui/DiscFormats.h"

#include <cmath>
#include <cstdio>

namespace tessaly {

namespace {

bool isPlace(char c) {
    return c == '#' || c == '0';
}

// How many digit places a part of a pattern has, and how many of them are always written: for the
// integer part the places from the first "0" on, for the decimals those up to the last "0".
struct Places {
    int count = 0;
    int required = 0;
};

Places integerPlaces(std::string_view part) {
    Places p;
    bool zeroSeen = false;
    for (char c : part) {
        if (!isPlace(c))
            continue;
        ++p.count;
        zeroSeen = zeroSeen || c == '0';
        if (zeroSeen)
            ++p.required;
    }
    return p;
}

Places decimalPlaces(std::string_view part) {
    Places p;
    for (char c : part) {
        if (!isPlace(c))
            continue;
        ++p.count;
        if (c == '0')
            p.required = p.count;
    }
    return p;
}

std::string grouped(const std::string& digits) {
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

std::string FormatNumber(double value, std::string_view pattern) {
    const std::size_t first = pattern.find_first_of("#0,.");
    if (first == std::string_view::npos)
        return std::string(pattern);
    const std::size_t last = pattern.find_last_of("#0,.");
    const std::string_view prefix = pattern.substr(0, first);
    const std::string_view suffix = pattern.substr(last + 1);
    const std::string_view core = pattern.substr(first, last - first + 1);

    const std::size_t point = core.find('.');
    const std::string_view intPart = core.substr(0, point);
    const std::string_view fracPart =
        point == std::string_view::npos ? std::string_view() : core.substr(point + 1);
    const Places ip = integerPlaces(intPart);
    const Places fp = decimalPlaces(fracPart);

    long long scale = 1;
    for (int i = 0; i < fp.count; ++i)
        scale *= 10;
    const long long scaled = std::llround(std::fabs(value) * static_cast<double>(scale));
    const long long whole = scaled / scale;

    std::string digits = whole == 0 ? std::string() : std::to_string(whole);
    if (static_cast<int>(digits.size()) < ip.required)
        digits.insert(0, static_cast<std::size_t>(ip.required) - digits.size(), '0');
    if (intPart.find(',') != std::string_view::npos)
        digits = grouped(digits);

    std::string decimals;
    if (fp.count > 0) {
        decimals = std::to_string(scaled % scale);
        decimals.insert(0, static_cast<std::size_t>(fp.count) - decimals.size(), '0');
        while (static_cast<int>(decimals.size()) > fp.required && decimals.back() == '0')
            decimals.pop_back();
    }

    std::string out(prefix);
    if (value < 0 && scaled != 0)
        out += '-';
    out += digits;
    if (point != std::string_view::npos)
        out += '.' + decimals;
    out += suffix;
    return out;
}

std::string FormatFileSize(long long bytes) {
    return FormatNumber(static_cast<double>(bytes) / 1000.0, "###,###,##0.00") + " KB";
}

std::string FormatFileDate(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    const int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_year + 1900, hour, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string FormatImageSize(double bytes) {
    return "Data Image Size: " + FormatNumber(bytes / 1048576.0, "#,##0.00") + " MB  ";
}

std::string FormatMegabytes(double bytes) {
    return FormatNumber(bytes / 1048576.0, "#########0.#0 MB");
}

std::string TwoDigits(long long value) {
    return FormatNumber(static_cast<double>(value), "0#");
}

std::vector<SpeedRow> WriteSpeedRows(int maxSpeed, bool cd) {
    std::vector<SpeedRow> rows;
    int s = maxSpeed;
    if (s < 1) {
        rows.push_back({"Default", 0});
        return rows;
    }
    if (cd) {
        do {
            double x = s / 176.0;
            if (x > 0 && x < 2)
                x = 1;
            rows.push_back({FormatNumber(x, "#") + "x", s});
            s -= s < 1200 ? 352 : 704;
        } while (s >= 1);
    } else {
        do {
            rows.push_back({FormatNumber(s / 1380.0, "#.0") + "x", s});
            s -= 690;
        } while (s >= 1380);
    }
    return rows;
}

} // namespace tessaly

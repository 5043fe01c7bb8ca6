// DiscFormats.cpp -- the number, date and speed texts of the disc windows.
#include "disc/ui/DiscFormats.h"

#include "platform/NumberText.h"

#include <cstdio>

namespace tessaly {

std::string FormatNumber(double value, std::string_view pattern) {
    return formatNumber(value, pattern);
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

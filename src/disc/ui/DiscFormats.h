// DiscFormats.h -- the number, date and speed texts of the disc windows.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Formats value by a pattern of digit places: "0" is always written, "#" is left out when it would
// be a leading zero (or a trailing zero of the decimals), "," groups thousands and "." is the
// decimal point; the value is rounded half away from zero to the places shown. Characters before
// the first and after the last place (" MB") are copied unchanged.
std::string FormatNumber(double value, std::string_view pattern);

// The "Size" column of the image's file list: kilobytes of 1000 bytes, "1.54 KB".
std::string FormatFileSize(long long bytes);
// The "Date" column: local time as "MM/DD/YYYY hh:mm:ss AM".
std::string FormatFileDate(std::time_t when);
// The first status-bar panel: "Data Image Size: 1.25 MB  ".
std::string FormatImageSize(double bytes);
// The space labels of the disc information window: megabytes of 1048576 bytes, "700.00 MB".
std::string FormatMegabytes(double bytes);
// A number of at least two digits: "05", "12", "123".
std::string TwoDigits(long long value);

// One row of the write speed list: its text and the speed in KB/s it sets (0 for "Default").
struct SpeedRow {
    std::string text;
    int kbPerSecond = 0;
};

// The rows for a drive whose fastest speed is maxSpeed KB/s: CD speeds in steps of 176 KB/s
// ("40x" ... "1x"), DVD speeds in steps of 1380 KB/s ("4.0x" ... "1.0x"), "Default" when the
// drive names no speed.
std::vector<SpeedRow> WriteSpeedRows(int maxSpeed, bool cd);

} // namespace tessaly

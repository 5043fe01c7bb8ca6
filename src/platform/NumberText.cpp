// NumberText.cpp -- digit-place patterns over the decimal digits of a number, and byte counts.
#include "platform/NumberText.h"

#include <charconv>
#include <cmath>

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

// The digits of |value| rounded half away from zero to `decimals` places, as one string without
// the point (the last `decimals` characters are the decimals).
std::string roundedDigits(double value, int decimals) {
    char buf[400];
    // The shortest text that reads back as the same double: the number as it is written.
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
    std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string frac = point == std::string::npos ? std::string() : text.substr(point + 1);
    bool up = static_cast<int>(frac.size()) > decimals && frac[static_cast<std::size_t>(decimals)] >= '5';
    frac.resize(static_cast<std::size_t>(decimals), '0');
    std::string digits = whole + frac;
    for (std::size_t i = digits.size(); up && i-- > 0;) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            up = false;
        }
    }
    if (up)
        digits.insert(0, 1, '1');
    return digits;
}

} // namespace

std::string formatNumber(double value, std::string_view pattern) {
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

    const std::string all = roundedDigits(value, fp.count);
    const bool zero = all.find_first_not_of('0') == std::string::npos;
    std::string digits = all.substr(0, all.size() - static_cast<std::size_t>(fp.count));
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (static_cast<int>(digits.size()) < ip.required)
        digits.insert(0, static_cast<std::size_t>(ip.required) - digits.size(), '0');
    if (intPart.find(',') != std::string_view::npos)
        digits = grouped(digits);

    std::string decimals = all.substr(all.size() - static_cast<std::size_t>(fp.count));
    while (static_cast<int>(decimals.size()) > fp.required && decimals.back() == '0')
        decimals.pop_back();

    std::string out(prefix);
    if (value < 0 && !zero)
        out += '-';
    out += digits;
    if (point != std::string_view::npos)
        out += '.' + decimals;
    out += suffix;
    return out;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    for (; value >= 1024.0 && unit < 3; ++unit)
        value /= 1024.0;
    return formatNumber(value, "0.0") + " " + units[unit];
}

} // namespace tessaly

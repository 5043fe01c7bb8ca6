// NumberText.h -- numbers as people read them: digit-place patterns rounded the way the number is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// Formats value by a pattern of digit places: "0" is always written, "#" is left out when it would
// be a leading zero (or a trailing zero of the decimals), "," groups thousands and "." is the
// decimal point. Characters before the first and after the last place (" MB") are copied unchanged.
// The value is rounded half away from zero on its shortest decimal form, so 1.005 shows as 1.01
// although the nearest double lies just below it.
std::string formatNumber(double value, std::string_view pattern);

// A byte count for progress lines: "512 bytes", "12.5 KB", "300.0 MB", "4.2 GB" (units of 1024).
std::string sizeText(std::uint64_t bytes);

} // namespace tessaly

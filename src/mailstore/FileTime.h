// FileTime.h -- a Windows file time (100 ns since 1601) as the texts the listing and mbox need.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// "2021-12-11 20:45" (UTC); "-" for 0 or a time outside the years 1970 to 9999.
std::string listingTime(std::uint64_t fileTime);
// "Sat Dec 11 20:45:59 2021" (UTC, the asctime form of an mbox "From " line); the Unix epoch for a
// time it cannot show.
std::string mboxTime(std::uint64_t fileTime);

} // namespace tessaly

// ExtraDrives.cpp -- parsing of TESSALY_EXTRA_DRIVES.
#include "ExtraDrives.h"

#include "DiscCodes.h"

#include <cctype>
#include <cstdlib>

namespace tessaly {

namespace {

std::string trim(const std::string& s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(begin, end - begin);
}

std::optional<long long> parseCapacity(const std::string& text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    std::size_t used = 0;
    long long number = 0;
    try {
        number = std::stoll(text, &used);
    } catch (...) {
        return std::nullopt;
    }
    const std::string unit = text.substr(used);
    long long factor = 1;
    if (unit == "K" || unit == "k")
        factor = 1024;
    else if (unit == "M" || unit == "m")
        factor = 1024 * 1024;
    else if (unit == "G" || unit == "g")
        factor = 1024LL * 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    if (number <= 0 || number > (1LL << 50) / factor)
        return std::nullopt;
    return number * factor / kBlockBytes;
}

} // namespace

std::vector<PseudoDrive> ParseExtraDrives(const std::string& value) {
    std::vector<PseudoDrive> drives;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        std::string entry = trim(value.substr(start, end - start));
        start = end + 1;
        if (entry.rfind("stdio:", 0) != 0 || entry.size() <= 6)
            continue;
        PseudoDrive drive;
        const std::size_t hash = entry.rfind('#');
        if (hash != std::string::npos) {
            const auto capacity = parseCapacity(entry.substr(hash + 1));
            if (!capacity || *capacity <= 0)
                continue;
            drive.capacityBlocks = *capacity;
            entry = trim(entry.substr(0, hash));
            if (entry.size() <= 6)
                continue;
        }
        drive.address = entry;
        drives.push_back(drive);
    }
    return drives;
}

std::vector<PseudoDrive> ExtraDrivesFromEnvironment() {
    const char* value = std::getenv(kExtraDrivesVariable);
    return value ? ParseExtraDrives(value) : std::vector<PseudoDrive>{};
}

} // namespace tessaly

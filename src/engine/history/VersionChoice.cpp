// VersionChoice.cpp -- reading a "from" time and finding the version it names.
#include "engine/history/VersionChoice.h"

#include <cstdio>

namespace tessaly {

std::optional<std::time_t> parseFromTime(const std::string& text) {
    if (auto stamp = parseVersionStamp(text))
        return stamp;
    int y = 0, mo = 0, d = 0, h = 23, mi = 59, s = 59, used = 0;
    int n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3 && size_t(used) == text.size())
        n = 3;
    else if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%n", &y, &mo, &d, &h, &mi, &used) == 5 &&
             size_t(used) == text.size())
        n = 5, s = 0;
    else if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) == 6 &&
             size_t(used) == text.size())
        n = 6;
    if (n == 0 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 ||
        s < 0)
        return std::nullopt;
    char stampText[96];
    std::snprintf(stampText, sizeof stampText, "%04d-%02d-%02d_%02d%02d%02d", y, mo, d, h, mi, s);
    return parseVersionStamp(stampText);
}

bool isCompleteVersion(VersionKind kind) {
    return kind == VersionKind::Current || kind == VersionKind::Earlier || kind == VersionKind::Pinned;
}

std::optional<BackupVersion> newestCompleteAtOrBefore(const std::vector<BackupVersion>& versions,
                                                      std::time_t when) {
    std::optional<BackupVersion> best;
    for (const BackupVersion& v : versions)
        if (isCompleteVersion(v.kind) && v.time <= when && (!best || v.time > best->time))
            best = v;
    return best;
}

} // namespace tessaly

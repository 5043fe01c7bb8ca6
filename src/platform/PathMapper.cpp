// PathMapper.cpp -- mapping Windows paths to host paths through a Wine prefix's drive links.
#include "platform/PathMapper.h"

#include "platform/Utf8.h"
#include "platform/WindowsProfile.h"

#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

std::vector<std::string> splitComponents(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        if (end > pos)
            parts.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

// Drops "." and resolves ".." against the components before it; false when ".." climbs above the root.
bool normalise(const std::vector<std::string>& parts, std::vector<std::string>& out) {
    for (const auto& part : parts) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (out.empty())
                return false;
            out.pop_back();
            continue;
        }
        out.push_back(part);
    }
    return true;
}

bool existsExactly(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// The entry of `dir` whose name equals `name` without regard to letter case, first in sorted order.
std::optional<std::string> findCaseInsensitive(const fs::path& dir, const std::string& name) {
    const std::string wanted = utf8::foldCase(name);
    std::optional<std::string> best;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (utf8::foldCase(entry) == wanted && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

fs::path resolveParts(fs::path current, const std::vector<std::string>& parts) {
    bool searching = true;
    for (const auto& part : parts) {
        if (searching && !existsExactly(current / part)) {
            if (auto match = findCaseInsensitive(current, part)) {
                current /= *match;
                continue;
            }
            // Nothing below a missing component can exist either.
            searching = false;
        }
        current /= part;
    }
    return current;
}

} // namespace

fs::path resolveComponents(const fs::path& base, std::string_view relative) {
    std::vector<std::string> parts;
    if (!normalise(splitComponents(relative), parts))
        throw std::invalid_argument("The path \"" + std::string(relative) + "\" climbs above its folder");
    return resolveParts(base, parts);
}

fs::path hostPath(const Profile& profile, std::string_view windowsPath) {
    if (profile.isWindowsProfile())
        return windowsHostPath(profile, windowsPath);
    const std::string_view path = windowsPath.substr(0, windowsPath.find('\0'));
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])) ||
        static_cast<unsigned char>(path[0]) >= 0x80)
        throw std::invalid_argument("The path \"" + std::string(path) + "\" has no drive letter");
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));

    std::vector<std::string> parts;
    if (!normalise(splitComponents(path.substr(2)), parts))
        throw std::invalid_argument("The path \"" + std::string(path) + "\" climbs above the drive root");

    fs::path root = profile.prefix / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        if (letter != 'c')
            throw std::runtime_error(std::string("Drive ") + static_cast<char>(std::toupper(letter)) +
                                     ": is not mapped in the Wine prefix " + profile.prefix.string());
        root = profile.prefix / "drive_c";
    }
    return resolveParts(root, parts);
}

} // namespace tessaly

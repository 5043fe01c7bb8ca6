// HandlerSupport.cpp -- entry-name checks, folder listings and small text helpers of the handlers.
#include "engine/HandlerSupport.h"

#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace tessaly {

std::string checkedEntryName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos ||
        name.find('\0') != std::string::npos)
        throw std::runtime_error("the backup file records an unusable member name \"" + name + "\"");
    return name;
}

std::vector<std::string> folderFiles(const std::filesystem::path& folder) {
    if (!std::filesystem::is_directory(folder))
        throw std::runtime_error("the folder " + folder.string() + " does not exist");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::error_code ec;
        if (entry.is_regular_file(ec))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        std::string ua = upperAscii(a), ub = upperAscii(b);
        return ua != ub ? ua < ub : a < b;
    });
    return names;
}

std::vector<std::string> splitNames(const std::string& list) {
    return splitAt(list, ';');
}

bool isMessageStore(const std::string& name) {
    if (name.size() < 4)
        return false;
    return upperAscii(name.substr(name.size() - 4)) == ".DBX";
}

} // namespace tessaly

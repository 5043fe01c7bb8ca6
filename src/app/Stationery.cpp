// Stationery.cpp -- the shared stationery folder of the profile and whether it holds files.
#include "app/Stationery.h"

#include "platform/PathMapper.h"

namespace tessaly {

namespace {

const char* kCurrentVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

std::string trimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::optional<std::string> sharedStationeryFolder(ProfileSession& session) {
    std::optional<std::string> common =
        session.modReg().ReadStringValue(kCurrentVersionKey, "CommonFilesDir");
    if (!common || *common == "Error")
        return std::nullopt;
    std::string value = common->substr(0, common->find('\0'));
    return trimBlanks(value) + "\\Microsoft Shared\\Stationery";
}

bool stationeryAvailable(ProfileSession& session) {
    std::optional<std::string> folder = sharedStationeryFolder(session);
    if (!folder)
        return false;
    try {
        std::filesystem::path host = hostPath(session.profile(), *folder);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(host, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                return true;
    } catch (const std::exception&) {
        // A path the profile cannot map is no folder at all.
    }
    return false;
}

} // namespace tessaly

// ProtectionOption.cpp -- the --protection option and $TESSALY_PROTECTION.
#include "cli/ProtectionOption.h"

#include <cstdlib>
#include <stdexcept>

namespace tessaly::cli {

Protection parseProtection(const std::string& value, const std::string& source) {
    if (auto protection = protectionFromName(value))
        return *protection;
    throw std::invalid_argument(source + ": unknown protection \"" + value + "\" (use strong or compatible)");
}

Protection protectionFromOptions(const CommonOptions& options) {
    if (auto value = options.value("--protection"))
        return parseProtection(*value, "--protection");
    if (const char* env = std::getenv("TESSALY_PROTECTION"); env && *env)
        return parseProtection(env, "$TESSALY_PROTECTION");
    return Protection::Compatible;
}

} // namespace tessaly::cli

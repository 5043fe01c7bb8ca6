// CliCommon.cpp -- option parsing and profile opening shared by the tessaly-cli verbs.
#include "cli/CliCommon.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace tessaly::cli {

CommonOptions parseCommonOptions(const std::vector<std::string>& args,
                                 const std::vector<std::string>& extraFlags) {
    CommonOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--yes") {
            options.yes = true;
        } else if (a == "--profile" || a.starts_with("--profile=")) {
            std::string value;
            if (a == "--profile") {
                if (i + 1 >= args.size())
                    throw std::invalid_argument("--profile needs a folder");
                value = args[++i];
            } else {
                value = a.substr(10);
            }
            options.profile = std::filesystem::path(value);
        } else if (a == "--") {
            options.positional.insert(options.positional.end(), args.begin() + static_cast<long>(i) + 1,
                                      args.end());
            break;
        } else if (a.starts_with("--") &&
                   std::find(extraFlags.begin(), extraFlags.end(), a) == extraFlags.end()) {
            throw std::invalid_argument("unknown option " + a);
        } else {
            options.positional.push_back(a);
        }
    }
    return options;
}

std::unique_ptr<ProfileSession> openProfile(const CommonOptions& options, Ui& ui) {
    std::string notice;
    Profile profile = resolveProfile(options.profile, &notice);
    if (!notice.empty())
        std::cerr << notice << std::endl;
    auto session = std::make_unique<ProfileSession>(profile, ui);
    if (!session->codePageNotice().empty())
        std::cerr << session->codePageNotice() << std::endl;
    return session;
}

int fail(int code, const std::string& message) {
    std::cerr << "tessaly-cli: " << message << std::endl;
    return code;
}

} // namespace tessaly::cli

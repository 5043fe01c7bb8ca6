// CliCommon.cpp -- option parsing and profile opening shared by the tessaly-cli verbs.
#include "cli/CliCommon.h"

#include <iostream>
#include <stdexcept>

namespace tessaly::cli {

CommonOptions parseCommonOptions(const std::vector<std::string>& args,
                                 const std::set<std::string>& valueOptions,
                                 const std::set<std::string>& flagOptions) {
    CommonOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            options.positional.insert(options.positional.end(), args.begin() + static_cast<long>(i) + 1,
                                      args.end());
            break;
        }
        if (a == "-h") {
            options.help = true;
            continue;
        }
        if (!a.starts_with("--") || a == "-") {
            options.positional.push_back(a);
            continue;
        }
        size_t eq = a.find('=');
        std::string name = a.substr(0, eq);
        bool takesValue = name == "--profile" || name == "--user" || valueOptions.count(name);
        if (!takesValue && eq != std::string::npos)
            throw std::invalid_argument(name + " takes no value");
        if (name == "--help") {
            options.help = true;
        } else if (name == "--yes") {
            options.yes = true;
        } else if (!takesValue && flagOptions.count(name)) {
            options.flags.insert(name);
        } else if (takesValue) {
            std::string value;
            if (eq != std::string::npos)
                value = a.substr(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw std::invalid_argument(name + " needs a value");
            if (name == "--profile")
                options.profile = std::filesystem::path(value);
            else if (name == "--user")
                options.user = value;
            else
                options.values[name] = value;
        } else {
            throw std::invalid_argument("unknown option " + a);
        }
    }
    return options;
}

std::unique_ptr<ProfileSession> openProfile(const CommonOptions& options, Ui& ui) {
    std::string notice;
    Profile profile = resolveProfile(options.profile, &notice, options.user);
    if (!notice.empty())
        std::cerr << notice << std::endl;
    auto session = std::make_unique<ProfileSession>(profile, ui);
    if (!session->codePageNotice().empty())
        std::cerr << session->codePageNotice() << std::endl;
    if (!session->leftoverNotice().empty())
        std::cerr << session->leftoverNotice() << std::endl;
    if (!session->registryNotice().empty())
        std::cerr << session->registryNotice() << std::endl;
    return session;
}

int fail(int code, const std::string& message) {
    std::cerr << "tessaly-cli: " << message << std::endl;
    return code;
}

} // namespace tessaly::cli

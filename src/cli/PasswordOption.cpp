// PasswordOption.cpp -- the password from standard input or the environment.
#include "cli/PasswordOption.h"

#include <cstdlib>
#include <iostream>

namespace tessaly::cli {

std::optional<std::string> passwordFromOptions(bool passwordStdin) {
    if (passwordStdin) {
        std::string line;
        std::getline(std::cin, line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }
    if (const char* env = std::getenv("TESSALY_PASSWORD"))
        return std::string(env);
    return std::nullopt;
}

} // namespace tessaly::cli

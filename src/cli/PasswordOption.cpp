// PasswordOption.cpp -- the passwords from standard input or the environment, and the password flow.
#include "cli/PasswordOption.h"

#include "backupfile/BackupContainer.h"
#include "cli/CliCommon.h"

#include <cstdlib>
#include <iostream>

namespace tessaly::cli {

namespace {

std::optional<std::string> lineOrEnvironment(bool fromStdin, const char* variable) {
    if (fromStdin) {
        std::string line;
        if (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (variable == nullptr)
            return std::string();
    }
    if (const char* env = variable ? std::getenv(variable) : nullptr)
        return std::string(env);
    return std::nullopt;
}

} // namespace

std::optional<std::string> passwordFromOptions(bool passwordStdin) {
    if (passwordStdin)
        return lineOrEnvironment(true, nullptr);
    return lineOrEnvironment(false, "TESSALY_PASSWORD");
}

std::optional<std::string> newPasswordFromOptions(bool passwordStdin) {
    return lineOrEnvironment(passwordStdin, "TESSALY_NEW_PASSWORD");
}

std::optional<int> openWithPassword(const std::filesystem::path& file,
                                    const std::optional<std::string>& given,
                                    const std::filesystem::path& archive, const CodePage& codePage, Ui& ui) {
    try {
        try {
            openArchive(file, given.value_or(""), archive, codePage, ui);
        } catch (const ContainerError& e) {
            std::optional<std::string> typed;
            if (e.check != BackupFileCheck::WrongPassword || given || !(typed = readSecretLine("Password: ")))
                throw;
            openArchive(file, *typed, archive, codePage, ui);
        }
    } catch (const ContainerError& e) {
        return fail(e.check == BackupFileCheck::WrongPassword ? kExitRefused : kExitFailed, e.what());
    }
    return std::nullopt;
}

} // namespace tessaly::cli

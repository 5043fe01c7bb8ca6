// ScheduledCommand.cpp -- building, checking and reading the scheduled command line.
#include "scheduler/ScheduledCommand.h"

#include <string_view>
#include <vector>

namespace tessaly {

std::string BuildItemMask(const std::array<bool, 8>& checked) {
    std::string mask;
    for (bool on : checked)
        mask += on ? '1' : '0';
    return mask;
}

std::string BuildScheduledCommand(const std::string& programPath, const std::string& identityKey,
                                  const std::string& mask, const std::string& password,
                                  const std::string& backupFile, const std::string& protection,
                                  const std::string& keep, bool full) {
    std::string prefix;
    if (!protection.empty() && protection != "compatible")
        prefix = std::string(kProtectionVariable) + "=" + protection + " ";
    if (!keep.empty())
        prefix += std::string(kScheduledKeepVariable) + "=" + keep + " ";
    if (full)
        prefix += std::string(kScheduledFullVariable) + "=1 ";
    return prefix + "\"" + programPath + "\" " +
           FormatScheduledArguments({identityKey, mask, password, backupFile});
}

std::string FormatScheduledArguments(const ScheduledArguments& a) {
    return "sf=" + a.identityKey + "xm=" + a.mask + "ps=" + a.password + "bf=" + a.backupFile;
}

std::optional<std::string> WhyNotCarriable(CarriedValue what, const std::string& value) {
    const char* name = "";
    switch (what) {
    case CarriedValue::Password:
        name = "password";
        break;
    case CarriedValue::IdentityKey:
        name = "identity key";
        break;
    case CarriedValue::BackupFile:
        name = "backup file path";
        break;
    case CarriedValue::ProgramPath:
        name = "program path";
        break;
    }
    // The program path is not read by the splitter, but it sits between double quotes.
    if (what == CarriedValue::ProgramPath) {
        if (value.find('"') != std::string::npos)
            return std::string("The program path cannot contain a double quote.");
    } else if (value.find('=') != std::string::npos) {
        return std::string("The ") + name +
               " cannot contain \"=\": the scheduled backup splits its command line at every \"=\" "
               "and would take the wrong values. Please choose another " +
               name + ".";
    }
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return std::string("The ") + name +
               " cannot contain a line break: a scheduled command is a single line.";
    return std::nullopt;
}

std::optional<CommandParts> SplitScheduledCommand(const std::string& text) {
    std::string_view command = text;
    CommandParts parts;
    // Leading assignments, each at most once: TESSALY_PROTECTION=..., TESSALY_KEEP=..., TESSALY_FULL=1
    for (bool more = true; more;) {
        more = false;
        const std::string fullAssignment = std::string(kScheduledFullVariable) + "=1 ";
        if (!parts.full && command.starts_with(fullAssignment)) {
            parts.full = true;
            command.remove_prefix(fullAssignment.size());
            more = true;
        }
        for (auto [name, value] : {std::pair{kProtectionVariable, &parts.protection},
                                   std::pair{kScheduledKeepVariable, &parts.keep}}) {
            const std::string assignment = std::string(name) + "=";
            if (!command.starts_with(assignment) || !value->empty())
                continue;
            size_t blank = command.find(' ');
            if (blank == std::string_view::npos)
                return std::nullopt;
            *value = command.substr(assignment.size(), blank - assignment.size());
            if (value->empty())
                return std::nullopt;
            command.remove_prefix(blank + 1);
            more = true;
        }
    }
    if (command.size() < 2 || command[0] != '"')
        return std::nullopt;
    size_t close = command.find('"', 1);
    if (close == std::string_view::npos || close + 1 >= command.size() || command[close + 1] != ' ')
        return std::nullopt;
    parts.program = command.substr(1, close - 1);
    parts.arguments = command.substr(close + 2);
    return parts;
}

std::optional<ScheduledArguments> ParseScheduledArguments(const std::string& arguments) {
    std::vector<std::string> pieces(1);
    for (char c : arguments) {
        if (c == '=')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    if (pieces.size() < 5)
        return std::nullopt;
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        if (pieces[i].size() < 2)
            return std::nullopt;
        pieces[i].resize(pieces[i].size() - 2);
    }
    return ScheduledArguments{pieces[1], pieces[2], pieces[3], pieces[4]};
}

} // namespace tessaly

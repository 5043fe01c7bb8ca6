// ItemsOption.h -- the --items list of tessaly-cli: item names in any order, separated by commas.
#pragma once

#include "engine/MainWindowState.h"

#include <array>
#include <optional>
#include <string>

namespace tessaly::cli {

// All eight items when the option is absent; throws std::invalid_argument naming an unknown item.
std::array<bool, kBackupItemCount> itemsFromOption(const std::optional<std::string>& list);

inline constexpr const char* kItemsHelp =
    "LIST is a comma-separated choice of accounts,addressbook,rules,messages,blocksenders,signatures,\n"
    "stationeries,settings (default: all eight).\n";

} // namespace tessaly::cli

// ItemsOption.cpp -- parsing the --items list.
#include "cli/ItemsOption.h"

#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"

#include <stdexcept>

namespace tessaly::cli {

std::array<bool, kBackupItemCount> itemsFromOption(const std::optional<std::string>& list) {
    std::array<bool, kBackupItemCount> items{};
    if (!list) {
        items.fill(true);
        return items;
    }
    for (std::string name : splitNames(replaceAll(*list, ",", ";"))) {
        if (name.empty())
            continue;
        bool found = false;
        for (int i = 0; i < kBackupItemCount; ++i)
            if (kBackupItems[i].cliName == name)
                items[i] = found = true;
        if (!found)
            throw std::invalid_argument("unknown item \"" + name + "\"\n" + kItemsHelp);
    }
    return items;
}

} // namespace tessaly::cli

// BackupItems.h -- the eight backup items in their fixed order, with their texts and names.
#pragma once

#include <array>
#include <string_view>

namespace tessaly {

enum BackupItemIndex {
    kItemAccounts = 0,
    kItemAddressBook,
    kItemRules,
    kItemMessages,
    kItemBlockSenders,
    kItemSignatures,
    kItemStationeries,
    kItemSettings,
};

struct BackupItemInfo {
    std::string_view statusText;   // shown while the item runs
    std::string_view backupTitle;  // log title of a backup
    std::string_view restoreTitle; // log title of a restore
    std::string_view infoKey;      // the info-file key that records the item's members
    std::string_view cliName;      // the item's name on the command line
};

inline constexpr std::array<BackupItemInfo, 8> kBackupItems{{
    {"Copying Accounts...", "Backup Accounts", "Restore Accounts", "BackupAccounts", "accounts"},
    {"Copying Adress Book...", "Backup Adress Book", "Restore Adress Book", "BackupAddressBook",
     "addressbook"},
    {"Copying Rules...", "Backup Rules", "Restore Rules", "BackupRules", "rules"},
    {"Copying Messages...", "Backup Messages", "Restore Messages", "BackupMails", "messages"},
    {"Copying Block Senders...", "Backup Block Senders", "Restore Block Senders", "BackupBlocksenders",
     "blocksenders"},
    {"Copying Signatures...", "Backup Signatures", "Restore Signatures", "BackupSignatures", "signatures"},
    {"Copying Stationeries...", "Backup Stationeries", "Restore Stationeries", "BackupStationeries",
     "stationeries"},
    {"Copying Settings...", "Backup Settings", "Restore Settings", "BackupSettings", "settings"},
}};

} // namespace tessaly

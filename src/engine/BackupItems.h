// BackupItems.h -- the eight backup items in their fixed order, with their texts and progress amounts.
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
    int restoreProgress;           // added after the item on restore
    std::string_view infoKey;      // the info-file key that records the item's members
    std::string_view cliName;      // the item's name on the command line
};

inline constexpr std::array<BackupItemInfo, 8> kBackupItems{{
    {"Copying Accounts...", "Backup Accounts", "Restore Accounts", 10, "BackupAccounts", "accounts"},
    {"Copying Adress Book...", "Backup Adress Book", "Restore Adress Book", 10, "BackupAddressBook",
     "addressbook"},
    {"Copying Rules...", "Backup Rules", "Restore Rules", 15, "BackupRules", "rules"},
    {"Copying Messages...", "Backup Messages", "Restore Messages", 10, "BackupMails", "messages"},
    {"Copying Block Senders...", "Backup Block Senders", "Restore Block Senders", 15, "BackupBlocksenders",
     "blocksenders"},
    {"Copying Signatures...", "Backup Signatures", "Restore Signatures", 15, "BackupSignatures",
     "signatures"},
    {"Copying Stationeries...", "Backup Stationeries", "Restore Stationeries", 10, "BackupStationeries",
     "stationeries"},
    {"Copying Settings...", "Backup Settings", "Restore Settings", 0, "BackupSettings", "settings"},
}};

} // namespace tessaly

// DiscIcons.h -- ImageList1, the icons of the image tree and file list, by key.
#pragma once

#include <QIcon>
#include <QString>

class QTreeWidgetItem;

namespace tessaly {

// Keys of ImageList1.
inline constexpr const char* kIconClosedFolder = "CLOSEDFOLDER";
inline constexpr const char* kIconCd = "CD";
inline constexpr const char* kIconOpenFolder = "OPENFOLDER";
inline constexpr const char* kIconFile = "FILE";

// Item data roles that keep the icon keys an item was given.
inline constexpr int kIconKeyRole = 0x0101;
inline constexpr int kSelectedIconKeyRole = 0x0102;

QIcon ImageListIcon(const QString& key);
// Gives an item its icon and, shown while it is selected, its selected icon.
void SetItemIcons(QTreeWidgetItem* item, const QString& icon, const QString& selectedIcon);

} // namespace tessaly

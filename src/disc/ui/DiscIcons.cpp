// DiscIcons.cpp -- ImageList1, the icons of the image tree and file list, by key.
#include "disc/ui/DiscIcons.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidgetItem>

namespace tessaly {

QIcon ImageListIcon(const QString& key) {
    QStyle* style = QApplication::style();
    if (key == kIconClosedFolder)
        return style->standardIcon(QStyle::SP_DirClosedIcon);
    if (key == kIconOpenFolder)
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    if (key == kIconCd)
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    if (key == kIconFile)
        return style->standardIcon(QStyle::SP_FileIcon);
    return {};
}

void SetItemIcons(QTreeWidgetItem* item, const QString& icon, const QString& selectedIcon) {
    QIcon combined;
    const QIcon normal = ImageListIcon(icon);
    const QIcon selected = ImageListIcon(selectedIcon);
    for (int size : {16, 24, 32}) {
        combined.addPixmap(normal.pixmap(size), QIcon::Normal);
        combined.addPixmap(selected.pixmap(size), QIcon::Selected);
    }
    item->setIcon(0, combined);
    item->setData(0, kIconKeyRole, icon);
    item->setData(0, kSelectedIconKeyRole, selectedIcon);
}

} // namespace tessaly

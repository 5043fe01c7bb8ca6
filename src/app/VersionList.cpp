// VersionList.cpp -- filling the Restore tab's version list from the files beside an opened backup.
#include "app/VersionList.h"

#include "engine/history/BackupVersions.h"
#include "engine/history/VersionChoice.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace tessaly {

void fillVersionList(QListWidget* list, const std::filesystem::path& opened) {
    const QSignalBlocker quiet(list);
    list->clear();
    const std::filesystem::path target = targetOfVersion(opened);
    for (const BackupVersion& v : listVersions(target)) {
        std::tm tm{};
        localtime_r(&v.time, &tm);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
        std::string kind = versionKindName(v.kind);
        std::string text =
            std::string(when) + "  " + (kind.empty() ? "current" : kind) + "  " + v.file.filename().string();
        auto* item = new QListWidgetItem(QString::fromStdString(text), list);
        item->setData(Qt::UserRole, QString::fromStdString(v.file.string()));
        if (!isCompleteVersion(v.kind))
            item->setToolTip("Not a complete backup: " + QString::fromStdString(kind));
        if (v.file.filename() == opened.filename())
            list->setCurrentItem(item);
    }
}

std::optional<std::filesystem::path> chosenVersion(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    if (!item)
        return std::nullopt;
    return std::filesystem::path(item->data(Qt::UserRole).toString().toStdString());
}

} // namespace tessaly

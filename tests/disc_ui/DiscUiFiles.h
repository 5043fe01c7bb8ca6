// DiscUiFiles.h -- helpers of the disc window tests that need no window: pseudo-drives, files, the
// views' keys, and reading discs back with xorriso.
#pragma once

#include "DiscTestKit.h"

#include <QString>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace tessaly::test {

// The tree node or list row whose key (image path) is `key`.
QTreeWidgetItem* itemByKey(QTreeWidget* view, const QString& key);
// Every key of a view, depth first.
std::vector<std::string> keysOf(QTreeWidget* view);
// The texts of one column of the list, top to bottom.
std::vector<std::string> columnOf(QTreeWidget* view, int column);

// The files of an image's last session as xorriso reads them: path ("/Docs/a.txt") to size.
std::map<std::string, long long> xorrisoFiles(const std::filesystem::path& image);
std::string xorrisoVolumeId(const std::filesystem::path& image);

} // namespace tessaly::test

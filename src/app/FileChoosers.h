// FileChoosers.h -- the file dialogs of the main window, replaceable so tests can answer them.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tessaly {

// Each returns the chosen host path, or nullopt when the user cancels.
using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;

// cdTarget: "Save Outlook Express Data as", *.tsy, initial name "vantrel", asks before overwriting.
std::optional<QString> ChooseBackupTarget(QWidget* parent);
// cdSource: "Restore Data from a Backup file", an existing *.tsy file.
std::optional<QString> ChooseBackupSource(QWidget* parent);
// The bookmark file of "Backup IE Favorites" (save) and "Restore IE Favorites" (open), *.htm.
std::optional<QString> ChooseFavoritesExportFile(QWidget* parent);
std::optional<QString> ChooseFavoritesImportFile(QWidget* parent);

struct FileChoosers {
    FileChooser backupTarget = ChooseBackupTarget;
    FileChooser backupSource = ChooseBackupSource;
    FileChooser favoritesExport = ChooseFavoritesExportFile;
    FileChooser favoritesImport = ChooseFavoritesImportFile;
};

} // namespace tessaly

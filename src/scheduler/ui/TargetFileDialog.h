// TargetFileDialog.h -- the save-file dialog behind "Browse..." of the schedule window.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tessaly {

inline constexpr const char* kTargetDialogTitle = "Save Outlook Express Data as";
inline constexpr const char* kTargetDialogFilter = "Tessaly File (*.tsy)";
inline constexpr const char* kTargetDialogInitialName = "vantrel";

// Asks for the backup file; nullopt when the user cancels.
using TargetFileChooser = std::function<std::optional<QString>(QWidget* parent)>;

// A modal QFileDialog named "cdTarget": the title, the filter, the initial name "vantrel", and a
// question before an existing file is overwritten.
std::optional<QString> ChooseTargetFile(QWidget* parent);

} // namespace tessaly

// OptionalWindows.h -- the commands whose windows or engine parts live in other folders, when built.
#pragma once

#include "backupfile/BackupContainer.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"

#include <filesystem>

class QWidget;

namespace tessaly {

// Whether this build holds the schedule window, the favorites transfer and the disc-writing window.
// A command whose part is missing stays in the menu, disabled.
bool schedulerWindowBuilt();
bool favoritesBuilt();
bool discWindowBuilt();

// "Task Scheduler": the schedule window, modal, on the session's crontab, starting from the main
// window's protection choice.
void showSchedulerWindow(ProfileSession& session, MainWindowState& state, Ui& ui, QWidget* parent,
                         Protection protection, bool protect);
// "Backup IE Favorites" / "Restore IE Favorites" with the chosen bookmark file; the engine reports.
void exportFavoritesTo(ProfileSession& session, Ui& ui, const std::filesystem::path& file);
void importFavoritesFrom(ProfileSession& session, Ui& ui, const std::filesystem::path& file);
// The disc-writing window with the backup file just written (state.backupfiletocd, backupcdpath).
void showDiscWindow(ProfileSession& session, MainWindowState& state, Ui& ui, QWidget* parent);

} // namespace tessaly

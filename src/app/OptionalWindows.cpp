// OptionalWindows.cpp -- hooks to the schedule window, the favorites and the disc window of this build.
#include "app/OptionalWindows.h"

#ifdef TESSALY_HAVE_SCHEDULER_UI
#include "scheduler/CronScheduler.h"
#include "scheduler/ProgramPaths.h"
#include "scheduler/ui/Frmoption.h"
#endif
#ifdef TESSALY_HAVE_FAVORITES
#include "favorites/Favorites.h"
#endif
#ifdef TESSALY_HAVE_DISC_UI
#include "app/frmabout.h"
#include "disc/ui/DiscWindow.h"
#endif

namespace tessaly {

bool schedulerWindowBuilt() {
#ifdef TESSALY_HAVE_SCHEDULER_UI
    return true;
#else
    return false;
#endif
}

bool favoritesBuilt() {
#ifdef TESSALY_HAVE_FAVORITES
    return true;
#else
    return false;
#endif
}

bool discWindowBuilt() {
#ifdef TESSALY_HAVE_DISC_UI
    return true;
#else
    return false;
#endif
}

void showSchedulerWindow([[maybe_unused]] ProfileSession& session, [[maybe_unused]] MainWindowState& state,
                         [[maybe_unused]] Ui& ui, [[maybe_unused]] QWidget* parent,
                         [[maybe_unused]] Protection protection, [[maybe_unused]] bool protect) {
#ifdef TESSALY_HAVE_SCHEDULER_UI
    try {
        UserScheduler user(std::filesystem::absolute(session.profile().prefix), defaultCliProgram());
        FrmoptionSettings settings;
        settings.sComputerName = state.sComputerName;
        settings.programPath = defaultScheduledProgram().string();
        settings.protection = protection;
        settings.protect = protect;
        Frmoption window(session.modReg(), user.scheduler(), ui, settings, parent);
        window.exec();
    } catch (const std::exception& e) {
        ui.messageBox(std::string("The Task Scheduler could not be opened: ") + e.what(), kAppTitle,
                      MsgIcon::Critical, MsgButtons::Ok);
    }
#endif
}

void exportFavoritesTo([[maybe_unused]] ProfileSession& session, [[maybe_unused]] Ui& ui,
                       [[maybe_unused]] const std::filesystem::path& file) {
#ifdef TESSALY_HAVE_FAVORITES
    BackupIEFavorites(session, ui, file);
#endif
}

void importFavoritesFrom([[maybe_unused]] ProfileSession& session, [[maybe_unused]] Ui& ui,
                         [[maybe_unused]] const std::filesystem::path& file) {
#ifdef TESSALY_HAVE_FAVORITES
    RestoreIEFavorites(session, ui, file);
#endif
}

void showDiscWindow([[maybe_unused]] ProfileSession& session, [[maybe_unused]] MainWindowState& state,
                    [[maybe_unused]] Ui& ui, [[maybe_unused]] QWidget* parent) {
#ifdef TESSALY_HAVE_DISC_UI
    DiscWindowHooks hooks;
    hooks.showAbout = [](QWidget* over) {
        frmabout box(openWithDesktop, over);
        box.exec();
    };
    ShowDiscWriteWindow(ui, DiscHandOver{state.backupfiletocd, state.backupcdpath}, hooks, parent);
#endif
}

} // namespace tessaly

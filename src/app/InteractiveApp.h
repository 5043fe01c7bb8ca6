// InteractiveApp.h -- everything an interactive run holds: the Qt Ui, the profile, the state, the window.
#pragma once

#include "app/QtUi.h"
#include "app/QuitSignals.h"
#include "app/frmMain.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"
#include "platform/TempFiles.h"

#include <memory>

namespace tessaly {

class InteractiveApp {
public:
    // Opens the profile (throws what ProfileSession throws) and builds the main window, not yet loaded.
    // While it lives, SIGINT and SIGTERM run the window's quit procedure.
    explicit InteractiveApp(Profile profile);
    ~InteractiveApp();
    InteractiveApp(const InteractiveApp&) = delete;
    InteractiveApp& operator=(const InteractiveApp&) = delete;

    // The window's load: probe, identity lists, the missing-client message; then a notice, if any,
    // on the status line.
    void load(const std::string& notice = {});

    frmMain& window() { return *window_; }
    MainWindowState& state() { return state_; }
    ProfileSession& session() { return session_; }
    QtUi& ui() { return ui_; }
    const std::filesystem::path& workDir() const { return work_.path(); }

private:
    QtUi ui_;
    ProfileSession session_;
    PrivateWorkDir work_;
    MainWindowState state_;
    std::unique_ptr<frmMain> window_;
    QuitSignals quitSignals_;
};

} // namespace tessaly

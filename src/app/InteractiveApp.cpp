// InteractiveApp.cpp -- building the interactive run's parts in the order they depend on each other.
#include "app/InteractiveApp.h"

namespace tessaly {

InteractiveApp::InteractiveApp(Profile profile)
    : session_(std::move(profile), ui_), window_(std::make_unique<frmMain>(session_, state_, ui_)) {
    QObject::connect(&quitSignals_, &QuitSignals::quitRequested, window_.get(), &frmMain::quitWithoutAsking);
}

InteractiveApp::~InteractiveApp() {
    window_.reset();
    // The window drops it on every way out; this covers an application ended without the window.
    dropTempArchive(state_);
}

void InteractiveApp::load(const std::string& notice) {
    window_->Form_Load(work_.path().string());
    if (!notice.empty())
        window_->showStatus(QString::fromStdString(notice));
}

} // namespace tessaly

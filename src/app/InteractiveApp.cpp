// InteractiveApp.cpp -- building the interactive run's parts in the order they depend on each other.
#include "app/InteractiveApp.h"

namespace tessaly {

InteractiveApp::InteractiveApp(Profile profile)
    : session_(std::move(profile), ui_), window_(std::make_unique<frmMain>(session_, state_, ui_)) {
    QObject::connect(&quitSignals_, &QuitSignals::quitRequested, window_.get(), &frmMain::quitWithoutAsking);
}

InteractiveApp::~InteractiveApp() {
    window_.reset();
    // The window deletes it on every way out; this covers an application ended without the window.
    std::error_code ec;
    if (!state_.TempArchivePath.empty())
        std::filesystem::remove(state_.TempArchivePath, ec);
}

void InteractiveApp::load(const std::string& notice) {
    window_->Form_Load(work_.path().string());
    if (!notice.empty())
        window_->showStatus(QString::fromStdString(notice));
}

} // namespace tessaly

// AppTestKit.cpp -- the window-test fixture: a private prefix and temporary folder, answered dialogs.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"
#include "engine/BackupDriver.h"
#include "platform/TempFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTabWidget>

#include <cstdlib>

namespace tessaly::test {

std::string storeFolder(const std::string& identityKey) {
    return "drive_c/users/sample/Local Settings/Application Data/Identities/" + identityKey +
           "/Microsoft/Outlook Express/";
}

void AppFixture::SetUp() {
    std::filesystem::create_directories(tmp);
    if (const char* old = std::getenv("TMPDIR"))
        oldTmpdir_ = old;
    setenv("TMPDIR", tmp.c_str(), 1);
    // The window's remembered choices go to this test's own folder, never the user's settings.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString((dir / "config").string()));
}

void AppFixture::TearDown() {
    app.reset();
    // Whatever the test did, nothing of the program is left in the temporary folder.
    EXPECT_TRUE(std::filesystem::is_empty(tmp)) << "temporary files left behind";
    if (oldTmpdir_)
        setenv("TMPDIR", oldTmpdir_->c_str(), 1);
    else
        unsetenv("TMPDIR");
}

void AppFixture::start() {
    if (!std::filesystem::exists(prefix))
        copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
    app = std::make_unique<InteractiveApp>(Profile{prefix, false, "sample"});
    FileChoosers choosers;
    choosers.backupTarget = [this](QWidget*) { return nextTarget; };
    choosers.backupSource = [this](QWidget*) { return nextSource; };
    choosers.favoritesExport = choosers.favoritesImport = [this](QWidget*) { return nextFavorites; };
    window().setFileChoosers(choosers);
    window().setUrlOpener([this](const QUrl& url) {
        openedUrls.push_back(url);
        return urlOpens;
    });
    QObject::connect(&window(), &frmMain::programEnded, [this] { ++programEnded; });
    window().show();
    app->load();
}

void AppFixture::click(const char* name) {
    if (auto* b = find<QAbstractButton>(name))
        b->click();
}

void AppFixture::trigger(const char* actionName) {
    if (auto* a = find<QAction>(actionName))
        a->trigger();
}

void AppFixture::chooseTarget(const std::filesystem::path& file) {
    nextTarget = QString::fromStdString(file.string());
    click("cmdTargetFile");
}

void AppFixture::openOnRestoreTab(const std::filesystem::path& file) {
    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    nextSource = QString::fromStdString(file.string());
    click("cmdSourceFile");
}

void AppFixture::answerBackupReport() {
    dialogs.thenAnswer(QMessageBox::Ok);
    if (discWindowBuilt())
        dialogs.thenAnswer(QMessageBox::Cancel);
}

bool AppFixture::waitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

std::filesystem::path AppFixture::makeBackup(const std::string& name, const std::string& password,
                                             std::array<bool, kBackupItemCount> items) {
    if (!std::filesystem::exists(prefix))
        copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
    RecordingUi ui;
    ProfileSession session(Profile{prefix, false, "sample"}, ui);
    PrivateWorkDir work;
    MainWindowState state;
    LoadMainWindowState(state, session, work.path().string());
    std::filesystem::path file = dir / name;
    state.BackupFileName = file.string();
    BackupRequest request;
    request.items = items;
    request.identityUserName = "Main Identity";
    request.identityKey = kMainIdentity;
    request.protect = !password.empty();
    request.password = request.password2 = password;
    BackupOutcome outcome = BackupDriver(session, state, ui).run(request, false);
    EXPECT_TRUE(outcome.completed) << (ui.messages.empty() ? "" : ui.messages.back().text);
    return file;
}

} // namespace tessaly::test

// AppTestKit.h -- the interactive program on a copy of the sample profile, for window tests.
#pragma once

#include "DialogAnswerer.h"
#include "RecordingUi.h"
#include "TempDir.h"

#include "app/InteractiveApp.h"

#include <QAbstractButton>
#include <QAction>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tessaly::test {

inline const std::string kMainIdentity = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";
inline const std::string kWorkIdentity = "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}";
// A message store folder of an identity in the sample profile, relative to the prefix.
std::string storeFolder(const std::string& identityKey);

template <class T> T* control(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

class AppFixture : public ::testing::Test {
public:
    TempDir dir;
    std::filesystem::path prefix = dir / "prefix";
    std::filesystem::path tmp = dir / "tmp";
    DialogAnswerer dialogs;
    std::unique_ptr<InteractiveApp> app;
    std::optional<QString> nextTarget; // what the Browse dialogs answer (nullopt: cancelled)
    std::optional<QString> nextSource;
    std::optional<QString> nextFavorites; // both favorites dialogs
    std::vector<QUrl> openedUrls;
    bool urlOpens = true;
    int programEnded = 0;

    void SetUp() override;
    void TearDown() override;

    // Opens the program on `prefix` (a copy of the sample unless the test made its own) and loads it.
    void start();
    frmMain& window() { return app->window(); }
    MainWindowState& state() { return app->state(); }
    template <class T> T* find(const char* name) { return control<T>(&app->window(), name); }
    void click(const char* name);
    void trigger(const char* actionName);
    // The Browse buttons of the backup tab and (shown first) of the restore tab, answered with `file`.
    void chooseTarget(const std::filesystem::path& file);
    void openOnRestoreTab(const std::filesystem::path& file);
    // A backup's completion report answered with OK, and the disc question, where there is one, with Cancel.
    void answerBackupReport();
    // Processes events until `done` or a few seconds have passed.
    bool waitFor(const std::function<bool()>& done);

    // A backup file of the sample's main identity made by the engine, without the window.
    std::filesystem::path makeBackup(const std::string& name, const std::string& password,
                                     std::array<bool, kBackupItemCount> items = {true});

private:
    std::optional<std::string> oldTmpdir_;
};

} // namespace tessaly::test

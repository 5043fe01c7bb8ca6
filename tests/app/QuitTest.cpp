// QuitTest.cpp -- every way out of the window runs the quit procedure, which deletes the temporary archive.
#include "AppTestKit.h"

#include <QApplication>

#include <csignal>

namespace tessaly::test {
namespace {

struct QuitCase {
    const char* what;
    std::function<void(AppFixture&, frmMain&)> quit;
};

class Quitting : public AppFixture, public ::testing::WithParamInterface<QuitCase> {
protected:
    void openAFile() {
        const std::filesystem::path file = makeBackup("f.tsy", "");
        start();
        openOnRestoreTab(file);
        ASSERT_TRUE(std::filesystem::exists(state().TempArchivePath));
    }
};

TEST_P(Quitting, DeletesTheTemporaryArchiveAndEndsTheProgramOnce) {
    openAFile();
    const std::string archive = state().TempArchivePath;
    GetParam().quit(*this, window());
    EXPECT_TRUE(waitFor([&] { return programEnded > 0; }));
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(std::filesystem::exists(archive));
    EXPECT_FALSE(window().isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Quitting,
    ::testing::Values(
        QuitCase{"MenuQuit", [](AppFixture&, frmMain& w) { w.findChild<QAction*>("quit")->trigger(); }},
        QuitCase{"QuitButton",
                 [](AppFixture&, frmMain& w) { w.findChild<QAbstractButton*>("cmdQuit")->click(); }},
        QuitCase{"ClosingTheWindow", [](AppFixture&, frmMain& w) { w.close(); }},
        QuitCase{"Sigterm", [](AppFixture&, frmMain&) { std::raise(SIGTERM); }},
        QuitCase{"Sigint", [](AppFixture&, frmMain&) { std::raise(SIGINT); }},
        QuitCase{"WithTheAboutBoxOpen",
                 [](AppFixture& f, frmMain& w) {
                     f.dialogs.then([&w](QWidget* about) {
                         EXPECT_EQ(about->objectName(), "frmabout");
                         w.quit_Click();
                     });
                     w.findChild<QAbstractButton*>("cmdAbout")->click();
                     EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
                 }}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(AppFixture, SignalsReachTheWindowOnlyWhileTheProgramRuns) {
    start();
    app.reset();
    // Once the program's parts are gone, SIGTERM has its earlier (default) action again.
    struct sigaction previous {};
    sigaction(SIGTERM, nullptr, &previous);
    EXPECT_EQ(previous.sa_handler, SIG_DFL);
}

} // namespace
} // namespace tessaly::test

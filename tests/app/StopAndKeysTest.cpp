// StopAndKeysTest.cpp -- Stop, Escape and quitting during a run; Enter in a field; mnemonics and Tab order.
#include "AppTestKit.h"
#include "Mnemonics.h"

#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace tessaly::test {
namespace {

const std::string kOldBackup = "an older backup, to be left alone";

// No temporary file of a stopped run stays beside the target: StoppedBackup stops the engine at every stage.
class StopDuringARun : public AppFixture {
protected:
    std::filesystem::path target = dir / "old.tsy";

    // The window with every item chosen and an older file as the target.
    void prepareBackup() {
        writeFile(target, kOldBackup);
        start();
        chooseTarget(target);
        trigger("Selectallitems");
    }
    // Runs `during` once, as soon as the run lets window messages through.
    void duringTheRun(std::function<void()> during) { QTimer::singleShot(0, &window(), std::move(during)); }
};

TEST_F(StopDuringARun, TheActionButtonBecomesStopAndStopsTheBackup) {
    prepareBackup();
    click("ifprotect");
    find<QLineEdit>("txtPassword")->setText("pw");
    find<QLineEdit>("txtPassword2")->setText("pw");
    auto* apply = find<QAbstractButton>("cmdApply");
    QString captionDuringRun;
    duringTheRun([&] {
        captionDuringRun = apply->text();
        EXPECT_TRUE(apply->isEnabled());
        apply->click();
    });
    dialogs.thenAnswer(QMessageBox::Ok);
    apply->click();
    EXPECT_EQ(captionDuringRun, "&Stop");
    ASSERT_EQ(dialogs.boxes.size(), 1u) << "no completion report, no disc question";
    EXPECT_EQ(dialogs.boxes[0].text, "The Backup was stopped.\n\nNo backup file was written; a file of that "
                                     "name that existed before is unchanged.");
    EXPECT_EQ(readFile(target), kOldBackup);
    EXPECT_EQ(apply->text(), "Backu&p Now");
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_FALSE(window().isRunning());
    // The status line says how things were left, and the keyboard is back on the button.
    auto* status = find<QStatusBar>("sbrStatus");
    EXPECT_EQ(status->currentMessage(), "The backup was stopped; the earlier file is unchanged.");
    EXPECT_EQ(window().focusWidget(), apply);

    // The next run, started by Enter in a password field, starts clean and ends with nothing left of the
    // stop.
    QString statusDuringRun = "(not seen)";
    duringTheRun([&] { statusDuringRun = status->currentMessage(); });
    answerBackupReport();
    QTest::keyClick(find<QLineEdit>("txtPassword2"), Qt::Key_Return);
    EXPECT_EQ(statusDuringRun, "");
    EXPECT_EQ(status->currentMessage(), "");
    EXPECT_EQ(dialogs.boxes[1].text.substr(0, 25), "The Backup was Completed!");
    EXPECT_NE(readFile(target), kOldBackup);
}

// Escape pressed to stop a run as the run ends must not close the report that has just appeared.
TEST(ReportBox, EscapeClosesAReportOnlyWhenPressedAfterItAppeared) {
    QWidget owner;
    QtUi ui;
    ui.attachWindow(&owner, nullptr, nullptr, nullptr, nullptr);
    bool openAfterFirstEscape = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_TRUE(box);
        QTest::keyClick(box, Qt::Key_Escape);
        openAfterFirstEscape = box->isVisible();
        QTimer::singleShot(600, box, [box] { QTest::keyClick(box, Qt::Key_Escape); });
    });
    EXPECT_EQ(
        ui.messageBox("The Backup was Completed!", "Tessaly", MsgIcon::Information, MsgButtons::OkCancel),
        MsgResult::Cancel);
    EXPECT_TRUE(openAfterFirstEscape);
}

TEST_F(StopDuringARun, EscapeStopsTheBackup) {
    prepareBackup();
    duringTheRun([&] {
        QApplication::setActiveWindow(&window());
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window(), Qt::Key_Escape);
    });
    dialogs.thenAnswer(QMessageBox::Ok);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text.substr(0, 23), "The Backup was stopped.");
    EXPECT_EQ(readFile(target), kOldBackup);
}

TEST_F(StopDuringARun, ClosingAsksThenStopsQuietlyAndQuits) {
    prepareBackup();
    duringTheRun([&] { window().close(); });
    dialogs.thenAnswer(QMessageBox::Ok);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 1u) << "only the question; the stopped run reports nothing";
    EXPECT_EQ(dialogs.boxes[0].text, "A backup or restore is running.\n\nStop it and quit Tessaly?");
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(readFile(target), kOldBackup);
}

TEST_F(StopDuringARun, CancellingTheQuestionLetsTheBackupFinish) {
    prepareBackup();
    duringTheRun([&] { window().quit_Click(); });
    dialogs.thenAnswer(QMessageBox::Cancel);
    answerBackupReport();
    click("cmdApply");
    ASSERT_GE(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text.substr(0, 25), "The Backup was Completed!");
    EXPECT_NE(readFile(target), kOldBackup);
    EXPECT_EQ(programEnded, 0);
}

TEST_F(AppFixture, EveryCommandHasItsOwnMnemonic) {
    start();
    EXPECT_EQ(mnemonicProblemsOnEveryPage(&window()), std::vector<std::string>{});
    frmPwd prompt(&window());
    EXPECT_EQ(mnemonicProblems(&prompt), std::vector<std::string>{});
    frmabout about(nullptr, &window());
    EXPECT_EQ(mnemonicProblems(&about), std::vector<std::string>{});
}

// The focusable controls of a window in the order Tab visits them, by object name.
std::vector<std::string> tabOrder(QWidget* first) {
    std::vector<std::string> names;
    QWidget* w = first;
    do {
        if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(first->window()) && !w->objectName().isEmpty())
            names.push_back(w->objectName().toStdString());
        w = w->nextInFocusChain();
    } while (w != first);
    return names;
}

TEST_F(AppFixture, TabGoesThroughTheBackupTabInReadingOrder) {
    start();
    std::vector<std::string> order = tabOrder(find<QWidget>("backupitem_0"));
    const std::vector<std::string> expected = {
        "backupitem_0", "backupitem_1", "backupitem_2", "backupitem_3",  "backupitem_4",  "backupitem_5",
        "backupitem_6", "backupitem_7", "cbSource",     "txtTargetFile", "cmdTargetFile", "txtAttachInfo",
        "ifprotect",    "cmdAbout",     "cmdApply",     "cmdQuit"};
    // The disabled password boxes are skipped by Tab but keep their place; compare what is reachable.
    std::vector<std::string> reachable;
    for (const std::string& name : order)
        if (std::find(expected.begin(), expected.end(), name) != expected.end())
            reachable.push_back(name);
    EXPECT_EQ(reachable, expected);
    auto at = [&](const char* name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
    EXPECT_LT(at("ifprotect"), at("txtPassword"));
    EXPECT_LT(at("txtPassword"), at("txtPassword2"));
    EXPECT_LT(at("txtPassword2"), at("cmdApply"));
}

// Every way out of the window runs the quit procedure, which deletes the temporary archive.
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

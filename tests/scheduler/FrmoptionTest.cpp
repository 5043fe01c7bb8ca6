// FrmoptionTest.cpp -- the "Task Scheduler" window, headless: controls, lists, rules, checks, jobs.
#include "scheduler/ui/Frmoption.h"

#include "Mnemonics.h"
#include "WindowTestSupport.h"
#include "scheduler/ScheduledCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <set>

namespace tessaly {
namespace {

using test::click;
using test::control;

struct Window {
    test::ProfileCopy profile;
    test::MemoryCrontab store;
    std::time_t now;
    CronScheduler scheduler;
    std::unique_ptr<Frmoption> w;

    explicit Window(bool withIdentities = true, FrmoptionSettings settings = {"HOST", "/opt/t/tessaly"})
        : profile(withIdentities), now(noon()),
          scheduler(
              store, profile.prefix, "/opt/t/tessaly-cli", [this] { return now; }, jobs()) {
        w = std::make_unique<Frmoption>(profile.session->modReg(), scheduler, profile.ui, settings);
    }
    std::filesystem::path jobs() const { return profile.dir / "jobs"; }
    static std::time_t noon() {
        std::tm tm{};
        tm.tm_year = 124, tm.tm_mon = 11, tm.tm_mday = 31, tm.tm_hour = 12, tm.tm_isdst = -1;
        return std::mktime(&tm);
    }
    void check(const char* name, bool on = true) { control<QCheckBox>(w.get(), name)->setChecked(on); }
    void setText(const char* name, const QString& text) { control<QLineEdit>(w.get(), name)->setText(text); }
    void target(const std::string& path) {
        w->setTargetFileChooser(
            [path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
        click(w.get(), "cmdTargetFile");
    }
    std::string lastMessage() const {
        return profile.ui.messages.empty() ? "" : profile.ui.messages.back().text;
    }
};

TEST(Frmoption, OpensListingIdentitiesAndStartTimesWithEveryControlShownAndItemsInOrder) {
    Window win;
    EXPECT_TRUE(win.profile.ui.messages.empty());
    auto* source = control<QComboBox>(win.w.get(), "cbSource");
    ASSERT_EQ(source->count(), 2);
    EXPECT_EQ(source->itemText(0), "Main Identity");
    EXPECT_EQ(source->itemText(1), "Work");
    EXPECT_EQ(source->currentText(), "Main Identity");
    auto* times = control<QComboBox>(win.w.get(), "cmbStartTime");
    ASSERT_EQ(times->count(), 48);
    EXPECT_EQ(times->itemText(47), "23:30");
    EXPECT_EQ(times->currentText(), "9:00");
    // Box i is item i of the command line's mask.
    const char* items[] = {"Accounts",      "Address Book", "Rules",        "Email/News Messages",
                           "Block Senders", "Signatures",   "Stationeries", "OE Settings"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(control<QCheckBox>(win.w.get(), ("backupitem_" + std::to_string(i)).c_str())
                      ->text()
                      .remove('&')
                      .toStdString(),
                  items[i]);
    // Shown with a file chosen and some boxes checked, no named control is hidden. Set
    // TESSALY_SCREENSHOT_DIR to keep the pictures (docs/task-scheduler*.png are made this way).
    for (const char* box :
         {"backupitem_0", "backupitem_1", "backupitem_3", "chkMonday", "chkThursday", "ifprotect"})
        win.check(box);
    win.target("/home/user/Backups/vantrel.tsy");
    win.w->show();
    EXPECT_EQ(test::mnemonicProblemsOnEveryPage(win.w.get()), std::vector<std::string>{});
    // Each named control is shown on one of the two pages.
    auto* pages = control<QTabWidget>(win.w.get(), "tabPages");
    std::set<QString> shown;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        for (QWidget* child : win.w->findChildren<QWidget*>())
            if (child->isVisible() || qobject_cast<QTabBar*>(child->parentWidget()))
                shown.insert(child->objectName());
    }
    pages->setCurrentIndex(0);
    for (QWidget* child : win.w->findChildren<QWidget*>()) {
        if (!qobject_cast<QDialog*>(child) && !child->objectName().isEmpty() &&
            !child->objectName().startsWith("qt_")) {
            EXPECT_TRUE(shown.count(child->objectName())) << child->objectName().toStdString();
        }
    }
    if (!qEnvironmentVariableIsEmpty("TESSALY_SCREENSHOT_DIR")) {
        const QString dir = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
        EXPECT_TRUE(win.w->grab().save(dir + "/task-scheduler.png"));
        pages->setCurrentIndex(2);
        EXPECT_TRUE(win.w->grab().save(dir + "/task-scheduler-protection.png"));
    }
}

TEST(Frmoption, WithoutIdentitiesTheMissingClientMessageAndNoAdding) {
    Window win(false);
    ASSERT_EQ(win.profile.ui.messages.size(), 1u);
    const auto& m = win.profile.ui.messages[0];
    EXPECT_EQ(m.text, "Your Windows System have not install Outlook Express ");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_FALSE(control<QPushButton>(win.w.get(), "Command3")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(win.w.get(), "Command1")->isEnabled()) << "the tasks can still be seen";
    auto* times = control<QComboBox>(win.w.get(), "cmbStartTime");
    EXPECT_EQ(times->count(), 0);
    EXPECT_EQ(times->currentText(), "00:00");
    EXPECT_EQ(control<QComboBox>(win.w.get(), "cbSource")->count(), 0);
}

TEST(Frmoption, RunDailyChecksAndClearsAllSevenDays) {
    Window win;
    const std::vector<const char*> days = {"chkMonday", "chkTuesday",  "chkWednesday", "chkThursday",
                                           "chkFriday", "chkSaturday", "chkSunday"};
    click(win.w.get(), "chkDaily");
    for (const char* d : days)
        EXPECT_TRUE(control<QCheckBox>(win.w.get(), d)->isChecked()) << d;
    win.check("chkMonday", false);
    click(win.w.get(), "chkDaily");
    for (const char* d : days)
        EXPECT_FALSE(control<QCheckBox>(win.w.get(), d)->isChecked()) << d;
}

TEST(Frmoption, PasswordBoxesFollowTheProtectBox) {
    Window win;
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor scrollBar = QApplication::palette().color(QPalette::Button);
    ASSERT_NE(window, scrollBar);
    auto boxes = {control<QLineEdit>(win.w.get(), "txtPassword"),
                  control<QLineEdit>(win.w.get(), "txtPassword2")};
    for (QLineEdit* box : boxes) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Base), scrollBar);
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    }
    for (bool on : {true, false, true}) {
        for (QLineEdit* box : boxes)
            box->setText("typed");
        click(win.w.get(), "ifprotect");
        for (QLineEdit* box : boxes) {
            EXPECT_EQ(box->isEnabled(), on);
            EXPECT_EQ(box->palette().color(QPalette::Base), on ? window : scrollBar);
            EXPECT_EQ(box->text(), "") << "both boxes are emptied either way";
        }
    }
}

TEST(Frmoption, BrowseAsksWithTheSaveDialog) {
    Window win;
    test::TempDir out;
    const QString chosen = QString::fromStdString((out / "my backup.tsy").string());
    test::whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Tessaly File (*.tsy)"});
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        ASSERT_FALSE(dialog->selectedFiles().isEmpty());
        EXPECT_TRUE(dialog->selectedFiles().first().endsWith("/vantrel"))
            << dialog->selectedFiles().first().toStdString();
        dialog->setDirectory(QString::fromStdString(out.path().string()));
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name as a click would
    });
    click(win.w.get(), "cmdTargetFile");
    EXPECT_EQ(control<QLineEdit>(win.w.get(), "txtTargetFile")->text(), chosen);
    EXPECT_EQ(win.w->targetFilePath(), chosen.toStdString());
    EXPECT_TRUE(control<QLineEdit>(win.w.get(), "txtTargetFile")->isReadOnly());

    test::whenModalOpens([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    click(win.w.get(), "cmdTargetFile");
    EXPECT_EQ(win.w->targetFilePath(), chosen.toStdString()) << "cancel changes nothing";
}

TEST(Frmoption, AddTaskChecksInOrderAndRegistersNothingUntilAllPass) {
    Window win;
    test::TempDir out;
    struct Step {
        std::function<void()> change;
        std::string message;
        MsgIcon icon;
    };
    const std::vector<Step> steps = {
        {[] {}, "Please select at least one item.", MsgIcon::Exclamation},
        {[&] { win.check("backupitem_0"); }, "Invalid backup file name.", MsgIcon::Exclamation},
        {[&] {
             win.target((out / "b.tsy").string());
             win.check("ifprotect");
         },
         "Please enter Password!", MsgIcon::Critical},
        {[&] { win.setText("txtPassword2", "typed"); }, "Incorect Password!", MsgIcon::Critical},
        {[&] { win.setText("txtPassword", "typo"); }, "Incorect Password!", MsgIcon::Critical},
        // Strong cannot go without a password: it ticks the box (which empties both) and holds it.
        {[&] {
             win.check("ifprotect", false);
             click(win.w.get(), "optStrong");
             EXPECT_FALSE(control<QCheckBox>(win.w.get(), "ifprotect")->isEnabled());
         },
         "Please enter Password!", MsgIcon::Critical},
        {[&] {
             win.setText("txtPassword", "a=b");
             win.setText("txtPassword2", "a=b");
         },
         *WhyNotCarriable(CarriedValue::Password, "a=b"), // its wording is the command line's test
         MsgIcon::Critical},
        {[&] {
             win.setText("txtPassword", "ok");
             win.setText("txtPassword2", "ok");
             win.target((out / "a=b.tsy").string());
         },
         *WhyNotCarriable(CarriedValue::BackupFile, (out / "a=b.tsy").string()), MsgIcon::Exclamation},
        {[&] {
             win.target((out / "b.tsy").string());
             control<QComboBox>(win.w.get(), "cmbStartTime")->setEditText("25:00");
         },
         "Invalid start time. Please choose a time such as 9:00.", MsgIcon::Exclamation},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].change();
        click(win.w.get(), "Command3");
        ASSERT_EQ(win.profile.ui.messages.size(), i + 1);
        const auto& m = win.profile.ui.messages.back();
        EXPECT_EQ(m.text, steps[i].message) << "step " << i;
        EXPECT_EQ(m.icon, steps[i].icon) << "step " << i;
        EXPECT_EQ(m.title, "Tessaly");
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(win.store.writes, 0) << "step " << i;
    }
    control<QComboBox>(win.w.get(), "cmbStartTime")->setEditText("9:30");
    click(win.w.get(), "Command3");
    EXPECT_EQ(win.lastMessage(), "Task 1 has been scheduled.");
    EXPECT_EQ(win.profile.ui.messages.back().icon, MsgIcon::None);
    EXPECT_NE(
        win.store.table.find("' TESSALY_PROTECTION=strong TESSALY_KEEP=7d,4w,6m TESSALY_PASSWORD_FILE='" +
                             (win.jobs() / "job-1.password").string() + "' '/opt/t/tessaly' 'sf="),
        std::string::npos)
        << win.store.table;
    EXPECT_EQ(win.store.table.find("TESSALY_FULL"), std::string::npos) << win.store.table;

    // Ticked, the job compresses every file again.
    control<QCheckBox>(win.w.get(), "chkFull")->setChecked(true);
    click(win.w.get(), "Command3");
    EXPECT_EQ(win.lastMessage(), "Task 2 has been scheduled.");
    EXPECT_NE(win.store.table.find("TESSALY_KEEP=7d,4w,6m TESSALY_FULL=1 TESSALY_PASSWORD_FILE='"),
              std::string::npos)
        << win.store.table;
}

TEST(Frmoption, EachClickRegistersTheBoxesCheckedThenAndTheListHidesPasswords) {
    Window win;
    std::string file = (win.profile.dir / "two  blanks.tsy").string();
    win.check("backupitem_0");
    win.target(file);
    win.check("ifprotect");
    win.setText("txtPassword", "Zq9-secret");
    win.setText("txtPassword2", "Zq9-secret");
    control<QComboBox>(win.w.get(), "cbSource")->setCurrentIndex(1); // "Work"
    control<QComboBox>(win.w.get(), "cmbStartTime")->setCurrentIndex(19);
    win.check("chkMonday");
    win.check("chkSunday");
    click(win.w.get(), "Command3");
    win.check("chkMonday", false);
    win.check("chkSunday", false);
    win.check("chkWednesday");
    click(win.w.get(), "Command3");
    win.check("chkWednesday", false);
    // Earlier backups are kept by default; the third job replaces its file instead.
    win.check("chkKeep", false);
    click(win.w.get(), "Command3");

    ASSERT_EQ(win.profile.ui.messages.size(), 3u);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(win.profile.ui.messages[n - 1].text, "Task " + std::to_string(n) + " has been scheduled.");
    auto job = [&](int n, bool keep) {
        return " WINEPREFIX='" + win.profile.prefix.string() + "'" + (keep ? " TESSALY_KEEP=7d,4w,6m" : "") +
               " TESSALY_PASSWORD_FILE='" +
               (win.jobs() / ("job-" + std::to_string(n) + ".password")).string() +
               "' '/opt/t/tessaly' 'sf={E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}xm=10000000ps=bf=" + file + "'";
    };
    EXPECT_EQ(win.store.table, "30 9 * * 1,7 TESSALY_JOB=1" + job(1, true) + "\n" +
                                   "30 9 * * 3 TESSALY_JOB=2" + job(2, true) + "\n" +
                                   "30 9 1 1 * TESSALY_JOB=3" + job(3, false) +
                                   "; '/opt/t/tessaly-cli' schedule remove 3\n");
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(test::readFile(win.jobs() / ("job-" + std::to_string(n) + ".password")), "Zq9-secret");

    win.profile.ui.messages.clear();
    win.profile.ui.messageAnswers = {MsgResult::Cancel, MsgResult::Ok};
    bool opened = false;
    test::whenModalOpens([&](QWidget* modal) {
        opened = true;
        EXPECT_EQ(modal->objectName(), "frmTasks");
        EXPECT_EQ(modal->windowTitle(), "Scheduled Tasks");
        EXPECT_EQ(test::mnemonicProblems(modal), std::vector<std::string>{});
        auto* list = control<QTreeWidget>(modal, "lvwTasks");
        ASSERT_EQ(list->topLevelItemCount(), 3);
        const std::vector<std::vector<std::string>> rows = {
            {"1", "9:30", "M,SU", "Work", file, "compatible"},
            {"2", "9:30", "W", "Work", file, "compatible"},
            {"3", "9:30", "Once on 01/01", "Work", file, "compatible"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 6; ++c) {
                std::string cell = list->topLevelItem(r)->text(c).toStdString();
                EXPECT_EQ(cell, rows[r][c]) << r << "," << c;
            }
        list->setCurrentItem(list->topLevelItem(0));
        click(modal, "cmdRemove"); // answered Cancel
        EXPECT_EQ(list->topLevelItemCount(), 3);
        click(modal, "cmdRemove"); // answered OK
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "2");
        click(modal, "cmdClose");
    });
    click(win.w.get(), "Command1");
    EXPECT_TRUE(opened);
    ASSERT_EQ(win.profile.ui.messages.size(), 2u);
    EXPECT_EQ(win.profile.ui.messages[0].text, "Remove task 1?");
    EXPECT_EQ(win.profile.ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(test::LineOfJob(win.store.table, 1).empty());
    EXPECT_FALSE(test::LineOfJob(win.store.table, 2).empty());
}

// The main window's choice of protection reaching this window is checked from the main window.
TEST(Frmoption, SaysWhereThePasswordIsLabelsLeadToFieldsAndEnterAdds) {
    FrmoptionSettings settings{"HOST", "/opt/t/tessaly"};
    settings.protection = Protection::Strong;
    settings.protect = true;
    settings.passwordFolder = QDir::homePath().toStdString() + "/.config/tessaly/jobs";
    Window win(true, settings);
    EXPECT_TRUE(control<QLineEdit>(win.w.get(), "txtPassword")->isEnabled());
    EXPECT_NE(control<QLabel>(win.w.get(), "lblPasswordPlace")
                  ->text()
                  .toStdString()
                  .find("in ~/.config/tessaly/jobs/,"),
              std::string::npos);

    // Every field has a label that leads to it.
    for (const auto& [label, field] : {std::pair{"lblSource", "cbSource"},
                                       {"lblStartTime", "cmbStartTime"},
                                       {"lblTargetFile", "txtTargetFile"},
                                       {"lblPassword", "txtPassword"},
                                       {"lblPassword2", "txtPassword2"}})
        EXPECT_EQ(control<QLabel>(win.w.get(), label)->buddy(), control<QWidget>(win.w.get(), field))
            << label;

    // A name typed without an extension is given ".tsy"; one with an extension keeps it.
    for (const auto& [typed, kept] : {std::pair{"/b/nightly", "/b/nightly.tsy"},
                                      {"/b/x.tsy", "/b/x.tsy"},
                                      {"/b.d/monday", "/b.d/monday.tsy"}}) {
        win.target(typed);
        EXPECT_EQ(win.w->targetFilePath(), kept);
    }
    win.check("backupitem_0");
    win.setText("txtPassword", "pw");
    win.setText("txtPassword2", "pw");
    win.w->show();
    control<QLineEdit>(win.w.get(), "txtPassword2")->setFocus();
    QTest::keyClick(control<QLineEdit>(win.w.get(), "txtPassword2"), Qt::Key_Return);
    EXPECT_EQ(win.lastMessage(), "Task 1 has been scheduled.");
    EXPECT_NE(win.store.table.find("bf=/b.d/monday.tsy'"), std::string::npos) << win.store.table;
    EXPECT_TRUE(win.w->isVisible());
}

TEST(Frmoption, AFailingSchedulerIsReportedAndCancelClosesTheWindow) {
    Window win;
    win.check("backupitem_3");
    win.target("/b/x.tsy");
    win.store.failing = true;
    click(win.w.get(), "Command3");
    ASSERT_EQ(win.profile.ui.messages.size(), 1u);
    EXPECT_EQ(win.lastMessage(), "The task could not be scheduled: crontab: cannot reach the spool");
    EXPECT_EQ(win.profile.ui.messages.back().icon, MsgIcon::Critical);

    win.w->show();
    click(win.w.get(), "Command2");
    EXPECT_FALSE(win.w->isVisible());
    EXPECT_EQ(win.w->result(), QDialog::Rejected);
}

} // namespace
} // namespace tessaly

// WriteSessionTest.cpp -- the writing window on a stdio pseudo-drive: writing with verify,
// ISO files saved and written, a test write, importing the last session, cancelling; checked with xorriso.
#include "DiscUiTestKit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

using Texts = std::vector<std::string>;
using Files = std::map<std::string, long long>;

class WriteSession : public PseudoDriveTest {
protected:
    void SetUp() override {
        writePatternFile(src / "Docs" / "letter.txt", 1536, 1);
        writePatternFile(src / "Docs" / "empty.txt", 0, 2);
        writePatternFile(src / "single.tsy", 4096, 5);
    }
    void check(const char* name, bool on) { control<QCheckBox>(&w(), name)->setChecked(on); }
    void layout() {
        dropOnto(rig->tree(), {src / "Docs", src / "single.tsy"});
        clearMessages(ui());
    }
    Files expectedFiles() const {
        return {{"/Docs/empty.txt", 0}, {"/Docs/letter.txt", 1536}, {"/single.tsy", 4096}};
    }
};

TEST_F(WriteSession, WriteWithVerifyReportsOnce) {
    layout();
    check("chkAutoVerify", true);
    control<QLineEdit>(&w(), "txtVolIdentifier")->setText("Weekly Backup");
    ASSERT_TRUE(rig->writeAndWait());

    EXPECT_EQ(texts(ui()), Texts{"Writing and Verify is complete!"});
    EXPECT_EQ(ui().messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(w().panelText(1), "Auto-Verify...Complete (3 of 3 MATCHED)");
    EXPECT_EQ(control<QProgressBar>(&w(), "prgTotalProgress")->value(), 100);
    EXPECT_TRUE(w().windowIdle());
    EXPECT_FALSE(control<QPushButton>(&w(), "cmdCancel")->isEnabled());
    EXPECT_TRUE(control<QPushButton>(&w(), "cmdWriteDisc")->isEnabled());

    EXPECT_EQ(xorrisoFiles(rig->disc), expectedFiles());
}

TEST_F(WriteSession, SaveIsoThenATestWriteOfItThenARealOne) {
    layout();
    const fs::path iso = rig->dir / "image.iso";
    rig->nextIso = iso.string();
    trigger(&w(), "mnuFileSaveISO");
    EXPECT_EQ(texts(ui()), Texts{"ISO File Created successfully!"});
    ASSERT_EQ(rig->isoRequests.size(), 1u);
    EXPECT_TRUE(rig->isoRequests[0].save);
    EXPECT_TRUE(w().windowIdle());
    EXPECT_EQ(w().control().VolumeLabel(), "Outlook Express Data Backup CD");
    EXPECT_EQ(xorrisoFiles(iso), expectedFiles());
    EXPECT_EQ(xorrisoVolumeId(iso), "Outlook Express Data Backup CD");

    // A test write of the ISO file leaves the disc as it was.
    clearMessages(ui());
    check("chkTestWrite", true);
    trigger(&w(), "mnuFileWriteISO");
    ASSERT_TRUE(rig->waitForIdle());
    ASSERT_EQ(rig->isoRequests.size(), 2u);
    EXPECT_FALSE(rig->isoRequests[1].save);
    EXPECT_EQ(texts(ui()), Texts{"Writing is complete!"});
    EXPECT_TRUE(!fs::exists(rig->disc) || xorrisoFiles(rig->disc).empty());

    clearMessages(ui());
    check("chkTestWrite", false);
    trigger(&w(), "mnuFileWriteISO");
    ASSERT_TRUE(rig->waitForIdle());
    EXPECT_EQ(texts(ui()), Texts{"Writing is complete!"});
    EXPECT_EQ(xorrisoFiles(rig->disc), expectedFiles());
}

TEST_F(WriteSession, ImportThePreviousSessionAndReplaceAFileOfIt) {
    layout();
    control<QLineEdit>(&w(), "txtVolIdentifier")->setText("First Session");
    ASSERT_TRUE(rig->writeAndWait());

    rig->reopen();
    clearMessages(ui());
    trigger(&w(), "mnuImportSession");
    EXPECT_TRUE(ui().messages.empty()) << texts(ui()).front();
    EXPECT_EQ(control<QLineEdit>(&w(), "txtVolIdentifier")->text(), "First Session");
    EXPECT_EQ(rig->tree()->topLevelItem(0)->text(0), "First Session");
    EXPECT_EQ(keysOf(rig->tree()), (Texts{"\\", "\\Docs"}));
    EXPECT_TRUE(rig->tree()->topLevelItem(0)->isExpanded());
    EXPECT_EQ(keysOf(rig->list()), Texts{"\\single.tsy"});
    EXPECT_EQ(w().panelText(2), "Files: 3");
    EXPECT_EQ(w().panelText(3), "Directories: 1");

    // A newer letter dropped into \Docs meets the imported one: the window asks.
    const fs::path newer = rig->dir / "new" / "letter.txt";
    writePatternFile(newer, 777, 8);
    rig->selectFolder("\\Docs");
    ui().messageAnswers = {MsgResult::Ok};
    dropOnto(rig->list(), {newer});
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text,
              "Imported file from the last session on this disc: \r\n\\Docs\\letter.txt\r\n"
              "Would you like to replace it with: \r\n" +
                  newer.string() + " ?");
    EXPECT_EQ(ui().messages[0].title, "Replace imported file...");
    EXPECT_EQ(ui().messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ui().messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(columnOf(rig->list(), 1), (Texts{"0.00 KB", "0.78 KB"}));

    clearMessages(ui());
    ASSERT_TRUE(rig->writeAndWait());
    EXPECT_EQ(texts(ui()), Texts{"Writing is complete!"});
    Files second = expectedFiles();
    second["/Docs/letter.txt"] = 777;
    EXPECT_EQ(xorrisoFiles(rig->disc), second);
}

TEST_F(WriteSession, CancelDuringAWriteKeepsTheWindowOpenUntilItStops) {
    writePatternFile(src / "big.bin", 3 * 1024 * 1024, 7);
    dropOnto(rig->tree(), {src / "big.bin"});
    clearMessages(ui());
    // Slow enough to be caught running.
    rig->control->SetWriteSpeed(600);
    click(&w(), "cmdWriteDisc");
    ASSERT_TRUE(waitFor([this] { return !w().windowIdle(); }));

    for (const char* name :
         {"cboDevices", "cboWriteSpeed", "lvwImageFiles", "tvwDirectories", "cmdWriteDisc", "chkCacheImage",
          "chkFinalizeDisc", "chkTestWrite", "chkUseJoliet", "txtVolIdentifier", "chkDVDHighCompMode",
          "chkUseMode2XA", "chkAutoVerify", "chkUseBurnProof"})
        EXPECT_FALSE(control<QWidget>(&w(), name)->isEnabled()) << name;
    EXPECT_FALSE(control<QMenu>(&w(), "mnuFile")->menuAction()->isEnabled());
    EXPECT_FALSE(control<QMenu>(&w(), "mnuCDRecorder")->menuAction()->isEnabled());
    EXPECT_TRUE(control<QMenu>(&w(), "mnuAction")->menuAction()->isEnabled());
    EXPECT_TRUE(control<QPushButton>(&w(), "cmdCancel")->isEnabled());
    EXPECT_EQ(w().cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(control<QMenu>(&w(), "mnuAbout")->menuAction()->isEnabled());
    w().close();
    QTest::keyClick(&w(), Qt::Key_Escape);
    EXPECT_TRUE(w().isVisible()) << "a busy window stays open";

    click(&w(), "cmdCancel");
    EXPECT_EQ(w().panelText(1), "Aborting Write...Please Wait!");
    ASSERT_TRUE(rig->waitForIdle());
    EXPECT_EQ(texts(ui()), Texts{"Writing Cancelled!"});
    EXPECT_EQ(w().panelText(1), "Writing Cancelled......");
    EXPECT_EQ(w().cursor().shape(), Qt::ArrowCursor);
    trigger(&w(), "mnuFileExit");
    EXPECT_FALSE(w().isVisible());
}

} // namespace
} // namespace tessaly::test

// LayoutEditorTest.cpp -- the writing window's disc layout on a pseudo-drive: start, drops, tree and
// list, remove and rename with their messages, context menus, splitter, volume label, hand-over.
#include "DiscUiTestKit.h"
#include "Mnemonics.h"

#include "disc/ui/DiscIcons.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <tuple>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

using Texts = std::vector<std::string>;

class LayoutEditor : public PseudoDriveTest {
protected:
    void SetUp() override {
        writePatternFile(src / "Docs" / "letter.txt", 1536, 1);
        writePatternFile(src / "Docs" / "empty.txt", 0, 2);
        writePatternFile(src / "More" / "notes.txt", 2500, 3);
        writePatternFile(src / "More" / "Deep" / "inner.bin", 10, 4);
        writePatternFile(src / "single.tsy", 4096, 5);
    }
    // \Docs and \Docs\More from drops, with \Docs selected at the end.
    void buildDocsLayout() {
        dropOnto(tree(), {src / "Docs"});
        rig->selectFolder("\\Docs");
        dropOnto(list(), {src / "More"});
    }
};

TEST_F(LayoutEditor, ControlsCarryTheirNamesAndCaptions) {
    EXPECT_EQ(w().objectName(), "frmMaindvdwrite");
    EXPECT_EQ(w().windowTitle(), "Backup your data to CD and DVD");
    const std::vector<std::pair<const char*, const char*>> checks = {
        {"chkAutoVerify", "Auto-Verify File Data"},
        {"chkTestWrite", "Test Write (Invalid for DVD Formats)"},
        {"chkFinalizeDisc", "Finalize Disc (No Further Writing Possible)"},
        {"chkCacheImage", "Cache Image Before Writing (CDR/W Only)"},
        {"chkUseBurnProof", "Use Buffer Protection (Burn Proof,JustLink,etc.)"},
        {"chkUseMode2XA", "Mode2XA instead of Mode1 (CDR/W Only)"},
        {"chkDVDHighCompMode", "DVD High Compatibility (Write at least 1GB)"},
        {"chkUseJoliet", "Include Joliet Directories (64 char file names)"},
    };
    for (const auto& [name, caption] : checks) {
        auto* box = control<QCheckBox>(&w(), name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().remove('&').toStdString(), caption);
        const bool inWriteFrame = box->parentWidget()->objectName() == "fraWriteOptions";
        const bool firstFive = std::string(name) != "chkUseMode2XA" &&
                               std::string(name) != "chkDVDHighCompMode" &&
                               std::string(name) != "chkUseJoliet";
        EXPECT_EQ(inWriteFrame, firstFive) << name;
        // A pseudo-drive has buffer protection, so that box starts checked too.
        const bool checked = std::string(name) == "chkUseJoliet" || std::string(name) == "chkUseBurnProof";
        EXPECT_EQ(box->isChecked(), checked) << name;
    }
    EXPECT_EQ(control<QGroupBox>(&w(), "fraWriteOptions")->title(), "Write Options");
    EXPECT_EQ(control<QGroupBox>(&w(), "fraImageOptions")->title(), "Data Options");
    EXPECT_EQ(control<QLineEdit>(&w(), "txtVolIdentifier")->parentWidget()->objectName(), "fraImageOptions");
    // Each label leads to its field with a letter of its own.
    for (const auto& [label, text, field] :
         {std::tuple{"lblVolIdentifier", "V&olume ID:", "txtVolIdentifier"},
          {"lblDevices", "&Drive:", "cboDevices"},
          {"lblWriteSpeed", "Write S&peed:", "cboWriteSpeed"}}) {
        EXPECT_EQ(control<QLabel>(&w(), label)->text(), text);
        EXPECT_EQ(control<QLabel>(&w(), label)->buddy(), control<QWidget>(&w(), field)) << label;
    }
    EXPECT_EQ(control<QLabel>(&w(), "lblDragDrop")->text(), "Drag and Drop Files or Folders");
    EXPECT_EQ(control<QPushButton>(&w(), "cmdWriteDisc")->text(), "&Write Disc");
    EXPECT_EQ(control<QPushButton>(&w(), "cmdCancel")->text(), "&Cancel");
    EXPECT_EQ(list()->headerItem()->text(0), "File Name");
    EXPECT_EQ(list()->headerItem()->text(1), "Size");
    EXPECT_EQ(list()->headerItem()->text(2), "Date");
    for (const char* name :
         {"prgTotalProgress", "sbrStatus", "imgSplitter", "picSplitter", "cboDevices", "cboWriteSpeed"})
        EXPECT_NE(w().findChild<QWidget*>(name), nullptr) << name;

    const std::vector<std::pair<const char*, Texts>> menus = {
        {"mnuFile",
         {"Add Files…", "Add Folder…", "Clear All Items", "Remove Directory", "Rename Directory",
          "Remove File", "Rename File", "", "Save Image as ISO File...", "Write Disc from ISO File...", "",
          "Exit"}},
        {"mnuCDRecorder",
         {"Eject", "Close Tray", "Disc Information...", "Erase Disc...", "Import Previous Session"}},
        {"mnuAction", {"Write Disc", "Cancel"}},
        {"mnuAbout", {"About"}},
    };
    for (const auto& [name, entries] : menus) {
        auto* menu = control<QMenu>(&w(), name);
        ASSERT_NE(menu, nullptr);
        Texts shown;
        for (QAction* a : menu->actions())
            shown.push_back(a->text().remove('&').toStdString());
        EXPECT_EQ(shown, entries) << name;
    }
    EXPECT_EQ(control<QMenu>(&w(), "mnuCDRecorder")->title().remove('&'), "CD-Recorder");
}

TEST_F(LayoutEditor, StartsWithAnEmptyImageUnderTheBackupLabel) {
    EXPECT_TRUE(ui().messages.empty()) << texts(ui()).front();
    EXPECT_EQ(keysOf(tree()), Texts{"\\"});
    QTreeWidgetItem* root = tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Outlook Express Data Backup CD");
    EXPECT_EQ(root->data(0, kIconKeyRole).toString(), kIconCd);
    EXPECT_EQ(root->data(0, kSelectedIconKeyRole).toString(), kIconCd);
    EXPECT_EQ(control<QLineEdit>(&w(), "txtVolIdentifier")->text(), "Outlook Express Data Backup CD");
    // The label reaches the control only when a write or an ISO save begins.
    EXPECT_EQ(w().control().VolumeLabel(), "New Disc");
    EXPECT_EQ(w().control().Joliet(), 1);
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_TRUE(w().panelText(1).startsWith("Data Image Size: "));
    EXPECT_TRUE(w().panelText(1).endsWith(" MB  "));
    EXPECT_EQ(w().panelText(2), "Files: 0");
    EXPECT_EQ(w().panelText(3), "Directories: 0");

    auto* devices = control<QComboBox>(&w(), "cboDevices");
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->itemText(0).toStdString(), "stdio:" + rig->disc.string() + ": " +
                                                      w().control().DriveVendor(0) + " " +
                                                      w().control().DriveModel(0));
    EXPECT_EQ(devices->currentIndex(), 0);
    EXPECT_EQ(w().selectedDrive(), 0);
    auto* speeds = control<QComboBox>(&w(), "cboWriteSpeed");
    ASSERT_EQ(speeds->count(), 1);
    EXPECT_EQ(speeds->itemText(0), "Default");
    EXPECT_TRUE(rig->control->calls.empty()) << "no speed is set for Default";
    EXPECT_TRUE(w().windowIdle());
    EXPECT_FALSE(control<QPushButton>(&w(), "cmdCancel")->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(&w(), "chkUseBurnProof")->isEnabled());
}

TEST_F(LayoutEditor, DropsLandInTheSelectedFolderWhetherOnTreeOrList) {
    dropOnto(tree(), {src / "Docs"});
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Docs"}));
    QTreeWidgetItem* docs = itemByKey(tree(), "\\Docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->text(0), "Docs");
    EXPECT_EQ(docs->parent(), tree()->topLevelItem(0));
    EXPECT_EQ(docs->data(0, kIconKeyRole).toString(), kIconClosedFolder);
    EXPECT_EQ(docs->data(0, kSelectedIconKeyRole).toString(), kIconOpenFolder);
    // Nothing selected: the list shows the root, where no file is yet.
    EXPECT_EQ(list()->topLevelItemCount(), 0);

    rig->selectFolder("\\Docs");
    dropOnto(list(), {src / "More", src / "single.tsy"});
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Docs", "\\Docs\\More", "\\Docs\\More\\Deep"}));
    EXPECT_EQ(itemByKey(tree(), "\\Docs\\More")->parent(), docs);
    EXPECT_TRUE(docs->isExpanded());
    // The list shows \Docs after the drop.
    EXPECT_EQ(keysOf(list()), (Texts{"\\Docs\\empty.txt", "\\Docs\\letter.txt", "\\Docs\\single.tsy"}));
    EXPECT_EQ(columnOf(list(), 0), (Texts{"empty.txt", "letter.txt", "single.tsy"}));
    EXPECT_EQ(columnOf(list(), 1), (Texts{"0.00 KB", "1.54 KB", "4.10 KB"}));
    const QRegularExpression date("^\\d\\d/\\d\\d/\\d{4} (0[1-9]|1[0-2]):[0-5]\\d:[0-5]\\d (AM|PM)$");
    for (const std::string& d : columnOf(list(), 2))
        EXPECT_TRUE(date.match(QString::fromStdString(d)).hasMatch()) << d;
    EXPECT_EQ(itemByKey(list(), "\\Docs\\letter.txt")->data(0, kIconKeyRole).toString(), kIconFile);
    EXPECT_EQ(w().panelText(2), "Files: 5");
    EXPECT_EQ(w().panelText(3), "Directories: 3");
    EXPECT_TRUE(ui().messages.empty());

    // Selecting the root again sends drops to the root.
    rig->selectFolder("\\");
    dropOnto(tree(), {src / "single.tsy"});
    EXPECT_EQ(keysOf(list()), (Texts{"\\single.tsy"}));
    // Clicking a node shows its files.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(itemByKey(tree(), "\\Docs\\More")).center());
    EXPECT_EQ(keysOf(list()), (Texts{"\\Docs\\More\\notes.txt"}));
}

TEST_F(LayoutEditor, AddFilesAndAddFolderTakeTheRoadOfADrop) {
    auto add = [&](const char* entry) { control<QAction>(&w(), entry)->trigger(); };
    rig->nextFolder = {(src / "Docs").string()};
    add("mnuFileAddFolder");
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Docs"}));

    rig->selectFolder("\\Docs");
    rig->nextFiles = {(src / "single.tsy").string(), (src / "More" / "notes.txt").string()};
    add("mnuFileAddFiles");
    EXPECT_EQ(keysOf(list()),
              (Texts{"\\Docs\\empty.txt", "\\Docs\\letter.txt", "\\Docs\\notes.txt", "\\Docs\\single.tsy"}));
    EXPECT_EQ(w().panelText(2), "Files: 4");

    // A cancelled dialog adds nothing and says nothing.
    rig->nextFiles.clear();
    rig->nextFolder.clear();
    add("mnuFileAddFiles");
    add("mnuFileAddFolder");
    EXPECT_EQ(w().panelText(2), "Files: 4");
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Docs"}));
    EXPECT_TRUE(ui().messages.empty());
}

TEST_F(LayoutEditor, EveryCommandHasItsOwnMnemonic) {
    EXPECT_EQ(mnemonicProblems(&w()), Texts{});
}

TEST_F(LayoutEditor, ItemAddedOfAFolderAnnouncesItAndItsNodeWhileAdding) {
    std::vector<QString> seen;
    struct Watch : DiscEvents {
        frmMaindvdwrite* w;
        std::vector<QString>* seen;
        void ItemAdded(const std::string&, const std::string&, const std::string&, const std::string&,
                       bool folder) override {
            if (folder)
                seen->push_back(w->panelText(1));
        }
    } watch;
    watch.w = &w();
    watch.seen = &seen;
    rig->control->addListener(&watch); // after the window: it sees the window's reaction
    dropOnto(tree(), {src / "More"});
    rig->control->removeListener(&watch);
    EXPECT_EQ(seen, (std::vector<QString>{"Adding....\\More", "Adding....\\More\\Deep"}));
    EXPECT_TRUE(w().panelText(1).startsWith("Data Image Size: ")) << "the summary follows the drop";
}

TEST_F(LayoutEditor, RemoveWithAndWithoutSelection) {
    buildDocsLayout();
    clearMessages(ui());
    // Nothing selected in the list.
    list()->clearSelection();
    list()->setCurrentItem(nullptr);
    trigger(&w(), "mnuFileRemoveFile");
    tree()->setCurrentItem(nullptr);
    trigger(&w(), "mnuFileRemoveDir");
    EXPECT_EQ(texts(ui()), (Texts{"No Item Selected.", "No Item Selected."}));
    for (const RecordedMessage& m : ui().messages) {
        EXPECT_EQ(m.icon, MsgIcon::Information);
        EXPECT_EQ(m.title, "Tessaly");
    }

    // The root is no item of the image.
    clearMessages(ui());
    rig->selectFolder("\\");
    trigger(&w(), "mnuFileRemoveDir");
    EXPECT_EQ(texts(ui()), (Texts{"Item could not be removed."}));

    // A file of \Docs.
    clearMessages(ui());
    rig->selectFolder("\\Docs");
    w().RefreshImageView();
    list()->setCurrentItem(itemByKey(list(), "\\Docs\\letter.txt"));
    trigger(&w(), "mnuFileRemoveFile");
    EXPECT_TRUE(ui().messages.empty());
    EXPECT_EQ(keysOf(list()), (Texts{"\\Docs\\empty.txt"}));
    EXPECT_EQ(w().panelText(2), "Files: 3");

    // A folder with a folder inside: its nodes go, the list shows what is left.
    rig->selectFolder("\\Docs\\More");
    trigger(&w(), "mnuFileRemoveDir");
    EXPECT_TRUE(ui().messages.empty());
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Docs"}));
    EXPECT_EQ(w().panelText(3), "Directories: 1");
    EXPECT_EQ(w().panelText(2), "Files: 1");
}

TEST_F(LayoutEditor, RenameChecksEachRuleInOrderAndRefusesTheRoot) {
    buildDocsLayout();
    clearMessages(ui());

    rig->selectFolder("\\");
    trigger(&w(), "mnuFileRenameDir");
    EXPECT_EQ(texts(ui()), (Texts{"Root directory can not be renamed."}));
    EXPECT_EQ(tree()->viewport()->findChild<QLineEdit*>(), nullptr) << "no edit started";

    clearMessages(ui());
    list()->clearSelection();
    list()->setCurrentItem(nullptr);
    trigger(&w(), "mnuFileRenameFile");
    EXPECT_EQ(texts(ui()), (Texts{"No Item Selected."}));

    // File names: blank, Joliet's 64, ISO 9660 level 2's 31 (the control writes level 3), then a good one.
    clearMessages(ui());
    rig->selectFolder("\\Docs");
    w().RefreshImageView();
    const std::vector<QString> tries = {"", QString(65, 'x'), QString(32, 'y') + ".txt", "brief.txt"};
    for (const QString& name : tries) {
        QTreeWidgetItem* row = itemByKey(list(), "\\Docs\\letter.txt");
        ASSERT_NE(row, nullptr);
        list()->setCurrentItem(row);
        trigger(&w(), "mnuFileRenameFile");
        ASSERT_TRUE(finishLabelEdit(list(), name)) << name.toStdString();
    }
    EXPECT_EQ(texts(ui()),
              (Texts{"Item name cannot be blank.", "Item Name violates Joliet naming rules (64 Char Max).",
                     "Item Name violates ISO9660 Level 2 naming rules (31 Char Max)."}));
    EXPECT_EQ(keysOf(list()), (Texts{"\\Docs\\brief.txt", "\\Docs\\empty.txt"}));
    EXPECT_EQ(columnOf(list(), 0), (Texts{"brief.txt", "empty.txt"}));

    // A name the folder already holds: the control refuses it.
    clearMessages(ui());
    list()->setCurrentItem(itemByKey(list(), "\\Docs\\empty.txt"));
    trigger(&w(), "mnuFileRenameFile");
    ASSERT_TRUE(finishLabelEdit(list(), "brief.txt"));
    EXPECT_EQ(texts(ui()), (Texts{"File could not be renamed."}));
    EXPECT_EQ(columnOf(list(), 0), (Texts{"brief.txt", "empty.txt"}));

    // Without Joliet any non-empty name passes the rules.
    clearMessages(ui());
    click(&w(), "chkUseJoliet");
    EXPECT_EQ(w().control().Joliet(), 0);
    list()->setCurrentItem(itemByKey(list(), "\\Docs\\empty.txt"));
    trigger(&w(), "mnuFileRenameFile");
    ASSERT_TRUE(finishLabelEdit(list(), QString(100, 'n')));
    EXPECT_TRUE(ui().messages.empty()) << texts(ui()).front();
    EXPECT_NE(itemByKey(list(), "\\Docs\\" + QString(100, 'n')), nullptr);
}

TEST_F(LayoutEditor, RenamingAFolderMovesItsNodeAndTheNodesBelowIt) {
    buildDocsLayout();
    clearMessages(ui());
    rig->selectFolder("\\Docs");
    trigger(&w(), "mnuFileRenameDir");
    ASSERT_TRUE(finishLabelEdit(tree(), ""));
    EXPECT_EQ(texts(ui()), (Texts{"Item name cannot be blank."}));
    EXPECT_EQ(itemByKey(tree(), "\\Docs")->text(0), "Docs") << "the old text returns";

    clearMessages(ui());
    rig->selectFolder("\\Docs");
    trigger(&w(), "mnuFileRenameDir");
    ASSERT_TRUE(finishLabelEdit(tree(), "Letters"));
    EXPECT_TRUE(ui().messages.empty());
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Letters", "\\Letters\\More", "\\Letters\\More\\Deep"}));
    EXPECT_EQ(itemByKey(tree(), "\\Letters")->text(0), "Letters");
    EXPECT_EQ(keysOf(list()), (Texts{"\\Letters\\empty.txt", "\\Letters\\letter.txt"}));

    // The moved child still works as a target: its key is the control's path.
    rig->selectFolder("\\Letters\\More\\Deep");
    trigger(&w(), "mnuFileRemoveDir");
    EXPECT_TRUE(ui().messages.empty()) << texts(ui()).front();
    EXPECT_EQ(keysOf(tree()), (Texts{"\\", "\\Letters", "\\Letters\\More"}));

    // A folder cannot take the name of a file beside it.
    rig->selectFolder("\\Letters\\More");
    dropOnto(tree(), {src / "Docs"});
    rig->selectFolder("\\Letters\\More\\Docs");
    trigger(&w(), "mnuFileRenameDir");
    ASSERT_TRUE(finishLabelEdit(tree(), "Deep2"));
    rig->selectFolder("\\Letters\\More\\Deep2");
    trigger(&w(), "mnuFileRenameDir");
    ASSERT_TRUE(finishLabelEdit(tree(), "notes.txt"));
    EXPECT_EQ(texts(ui()), (Texts{"Directory could not be renamed."}));
    EXPECT_EQ(itemByKey(tree(), "\\Letters\\More\\Deep2")->text(0), "Deep2");
}

// Runs `inspect` on the pop-up menu that the next statement opens, then closes it.
void whenPopupOpens(std::function<void(QMenu*)> inspect) {
    QTimer::singleShot(50, [inspect] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            ADD_FAILURE() << "no pop-up menu";
            return;
        }
        inspect(menu);
        menu->close();
    });
}

Texts visibleEntries(QMenu* menu) {
    Texts shown;
    for (QAction* a : menu->actions())
        if (a->isVisible())
            shown.push_back(a->text().remove('&').toStdString());
    return shown;
}

TEST_F(LayoutEditor, RightButtonOverTreeOrListOffersItsOwnEntries) {
    Texts overTree, overList;
    whenPopupOpens([&](QMenu* m) { overTree = visibleEntries(m); });
    QTest::mouseRelease(tree()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    whenPopupOpens([&](QMenu* m) { overList = visibleEntries(m); });
    QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(overTree, (Texts{"Add Files…", "Add Folder…", "Clear All Items", "Remove Directory",
                               "Rename Directory"}));
    EXPECT_EQ(overList,
              (Texts{"Add Files…", "Add Folder…", "Clear All Items", "Remove File", "Rename File"}));
    EXPECT_EQ(visibleEntries(control<QMenu>(&w(), "mnuFile")).size(), 12u) << "all entries back afterwards";
    // The left button opens nothing.
    QTest::mouseRelease(tree()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(LayoutEditor, ClearAllItemsResetsTheView) {
    buildDocsLayout();
    control<QLineEdit>(&w(), "txtVolIdentifier")->setText("Mine");
    trigger(&w(), "mnuFileClear");
    EXPECT_EQ(keysOf(tree()), Texts{"\\"});
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), "New Disc");
    EXPECT_EQ(control<QLineEdit>(&w(), "txtVolIdentifier")->text(), "New Disc");
    EXPECT_EQ(w().panelText(2), "Files: 0");
    EXPECT_EQ(w().panelText(3), "Directories: 0");
}

TEST_F(LayoutEditor, VolumeIdentifierNamesTheRootNodeAtOnce) {
    auto* edit = control<QLineEdit>(&w(), "txtVolIdentifier");
    edit->clear();
    QTest::keyClicks(edit, "Weekly");
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), "Weekly");
    EXPECT_EQ(w().control().VolumeLabel(), "New Disc");
}

TEST_F(LayoutEditor, SplitterBarFollowsThePointerWithinItsMarginsAndResizesOnRelease) {
    w().resize(800, 600);
    settle();
    auto* bar = control<QWidget>(&w(), "imgSplitter");
    auto* shadow = control<QWidget>(&w(), "picSplitter");
    QWidget* area = bar->parentWidget();
    const int margin = 500 * w().logicalDpiX() / 1440;
    EXPECT_FALSE(shadow->isVisible());

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 20));
    EXPECT_TRUE(shadow->isVisible());
    const std::vector<std::pair<int, int>> moves = {
        {300, 300}, {0, margin}, {-200, margin}, {area->width() + 50, area->width() - margin}, {150, 150}};
    for (const auto& [to, expected] : moves) {
        QMouseEvent move(QEvent::MouseMove, QPointF(bar->mapFromParent(QPoint(to, 20))),
                         bar->mapToGlobal(bar->mapFromParent(QPoint(to, 20))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        EXPECT_EQ(shadow->x(), expected) << to;
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->mapFromParent(QPoint(150, 20)));
    settle();
    EXPECT_FALSE(shadow->isVisible());
    EXPECT_EQ(tree()->width(), 150 - tree()->x());
    EXPECT_EQ(bar->x(), tree()->x() + tree()->width());
}

TEST(LayoutHandOver, TheBackupFileIsInTheLayoutUnderItsBareName) {
    TempDir files;
    const fs::path backup = files / "weekly backup.tsy";
    writePatternFile(backup, 3000, 9);
    {
        PseudoDriveWindow rig(DiscHandOver{"weekly backup.tsy", backup.string()});
        EXPECT_TRUE(rig.ui.messages.empty());
        EXPECT_EQ(keysOf(rig.list()), (Texts{"\\weekly backup.tsy"}));
        EXPECT_EQ(columnOf(rig.list(), 1), (Texts{"3.00 KB"}));
        EXPECT_EQ(rig.w().panelText(2), "Files: 1");
    }

    // Only both fields together hand a file over.
    PseudoDriveWindow nameOnly(DiscHandOver{"weekly backup.tsy", ""});
    EXPECT_EQ(nameOnly.list()->topLevelItemCount(), 0);
    EXPECT_EQ(nameOnly.w().panelText(2), "Files: 0");
}

} // namespace
} // namespace tessaly::test

// LayoutEditorTest.cpp -- the writing window's disc layout on a pseudo-drive: start, drops, tree and
// list, remove and rename with their messages, context menus, splitter, volume label, hand-over.
#include "DiscUiTestKit.h"
#include "Mnemonics.h"

#include "disc/ui/DiscIcons.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

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

TEST_F(LayoutEditor, FirstStateAndMnemonics) {
    // Joliet is on, and buffer protection, which a pseudo-drive has; every other option is off.
    ASSERT_EQ(w().findChildren<QCheckBox*>().size(), 8);
    for (QCheckBox* box : w().findChildren<QCheckBox*>()) {
        const QString name = box->objectName();
        EXPECT_EQ(box->isChecked(), name == "chkUseJoliet" || name == "chkUseBurnProof")
            << name.toStdString();
    }
    EXPECT_EQ(mnemonicProblems(&w()), Texts{});
    for (const auto& [label, field] : {std::pair{"lblVolIdentifier", "txtVolIdentifier"},
                                       {"lblDevices", "cboDevices"},
                                       {"lblWriteSpeed", "cboWriteSpeed"}})
        EXPECT_EQ(control<QLabel>(&w(), label)->buddy(), control<QWidget>(&w(), field)) << label;

    // An empty image under the backup label.
    EXPECT_TRUE(ui().messages.empty()) << texts(ui()).front();
    EXPECT_EQ(keysOf(tree()), Texts{"\\"});
    QTreeWidgetItem* root = tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Outlook Express Data Backup CD");
    EXPECT_EQ(root->data(0, kIconKeyRole).toString(), kIconCd);
    EXPECT_EQ(root->data(0, kSelectedIconKeyRole).toString(), kIconCd);
    EXPECT_EQ(control<QLineEdit>(&w(), "txtVolIdentifier")->text(), "Outlook Express Data Backup CD");
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_EQ(w().panelText(2), "Files: 0");
    EXPECT_EQ(w().panelText(3), "Directories: 0");
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
    EXPECT_TRUE(w().panelText(1).startsWith("Data Image Size: ")) << "the summary follows the drop";
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

    // A name beyond ISO 9660 level 2's 31 characters (the control writes level 3), then a good one.
    clearMessages(ui());
    rig->selectFolder("\\Docs");
    w().RefreshImageView();
    const std::vector<QString> tries = {QString(32, 'y') + ".txt", "brief.txt"};
    for (const QString& name : tries) {
        QTreeWidgetItem* row = itemByKey(list(), "\\Docs\\letter.txt");
        ASSERT_NE(row, nullptr);
        list()->setCurrentItem(row);
        trigger(&w(), "mnuFileRenameFile");
        ASSERT_TRUE(finishLabelEdit(list(), name)) << name.toStdString();
    }
    EXPECT_EQ(texts(ui()), (Texts{"Item Name violates ISO9660 Level 2 naming rules (31 Char Max)."}));
    EXPECT_EQ(keysOf(list()), (Texts{"\\Docs\\brief.txt", "\\Docs\\empty.txt"}));
    EXPECT_EQ(columnOf(list(), 0), (Texts{"brief.txt", "empty.txt"}));

    // A name the folder already holds: the control refuses it.
    clearMessages(ui());
    list()->setCurrentItem(itemByKey(list(), "\\Docs\\empty.txt"));
    trigger(&w(), "mnuFileRenameFile");
    ASSERT_TRUE(finishLabelEdit(list(), "brief.txt"));
    EXPECT_EQ(texts(ui()), (Texts{"File could not be renamed."}));
    EXPECT_EQ(columnOf(list(), 0), (Texts{"brief.txt", "empty.txt"}));

    // Without Joliet the 64 characters of Joliet do not apply.
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
    ASSERT_TRUE(finishLabelEdit(tree(), "notes.txt"));
    EXPECT_EQ(texts(ui()), (Texts{"Directory could not be renamed."}));
    EXPECT_EQ(itemByKey(tree(), "\\Letters\\More\\Docs")->text(0), "Docs");
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

// The hand-over of a backup with both fields is met from the main window (HandOverTest).
TEST(LayoutHandOver, ANameWithoutAPathHandsNothingOver) {
    PseudoDriveWindow nameOnly(DiscHandOver{"weekly backup.tsy", ""});
    EXPECT_EQ(nameOnly.list()->topLevelItemCount(), 0);
    EXPECT_EQ(nameOnly.w().panelText(2), "Files: 0");
}

} // namespace
} // namespace tessaly::test

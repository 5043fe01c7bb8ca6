// frmMaindvdwriteImage.cpp -- the writing window's layout editor: tree, file list, drops, remove, rename.
#include "disc/ui/DiscFormats.h"
#include "disc/ui/DiscIcons.h"
#include "disc/ui/ImageViews.h"
#include "disc/ui/ItemNames.h"
#include "disc/ui/frmMaindvdwrite.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <deque>
#include <filesystem>

namespace tessaly {

namespace {

const QString kRoot = "\\";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString keyOf(QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QString folded(const QString& path) {
    return path.toCaseFolded();
}

} // namespace

void frmMaindvdwrite::ResetImageView() {
    lvwImageFiles_->clear();
    tvwDirectories_->clear();
    nodes_.clear();
    control_.SetVolumeLabel("New Disc");
    auto* root = new QTreeWidgetItem(tvwDirectories_, QStringList{qs(control_.VolumeLabel())});
    root->setData(0, Qt::UserRole, kRoot);
    root->setFlags(root->flags() | Qt::ItemIsEditable);
    SetItemIcons(root, kIconCd, kIconCd);
    nodes_.insert(kRoot, root);
    txtVolIdentifier_->setText(qs(control_.VolumeLabel()));
    UpdateImageSummary();
}

void frmMaindvdwrite::ShowFolderFiles(const QString& path) {
    setCursor(Qt::WaitCursor);
    lvwImageFiles_->clear();
    control_.ListFolder(path.toStdString());
    unsetCursor();
}

void frmMaindvdwrite::RefreshImageView() {
    QTreeWidgetItem* node = tvwDirectories_->currentItem();
    if (!node)
        node = nodeOf(kRoot);
    ShowFolderFiles(node ? keyOf(node) : kRoot);
    if (node)
        node->setExpanded(true);
    UpdateImageSummary();
}

void frmMaindvdwrite::UpdateImageSummary() {
    setPanel(1, qs(FormatImageSize(control_.BlocksToBytes(control_.ImageBlocks(), 1))));
    setPanel(2, QString("Files: %1").arg(control_.ImageFileCount()));
    setPanel(3, QString("Directories: %1").arg(control_.ImageFolderCount()));
}

bool frmMaindvdwrite::ValidateItemName(const QString& name) {
    if (auto problem = ItemNameViolation(name.toStdString(), control_.Joliet(), control_.IsoLevel())) {
        message(*problem, MsgIcon::Information);
        return false;
    }
    return true;
}

void frmMaindvdwrite::AddDroppedItems(const QStringList& paths) {
    setCursor(Qt::WaitCursor);
    QString target = keyOf(tvwDirectories_->currentItem());
    if (target == kRoot)
        target.clear();
    for (const QString& path : paths) {
        const std::filesystem::path source = path.toStdString();
        const std::string name = source.filename().string();
        const std::string imagePath = target.toStdString() + "\\" + name;
        if (QFileInfo(path).isDir())
            control_.AddFolder(imagePath, (source / "*.*").string());
        else
            control_.AddFile(imagePath, path.toStdString());
    }
    RefreshImageView();
    unsetCursor();
}

void frmMaindvdwrite::mnuFileAdd_Click(bool folder) {
    const std::vector<std::string> chosen =
        folder ? hooks_.chooseFolderToAdd(this) : hooks_.chooseFilesToAdd(this);
    QStringList paths;
    for (const std::string& path : chosen)
        paths << QString::fromStdString(path);
    if (!paths.isEmpty())
        AddDroppedItems(paths);
}

void frmMaindvdwrite::mnuFileClear_Click() {
    control_.ClearImage();
}

void frmMaindvdwrite::mnuFileRemoveDir_Click() {
    QTreeWidgetItem* node = tvwDirectories_->currentItem();
    if (!node) {
        message("No Item Selected.", MsgIcon::Information);
        return;
    }
    if (!control_.RemoveItem(keyOf(node).toStdString()))
        message("Item could not be removed.", MsgIcon::Information);
    RefreshImageView();
}

void frmMaindvdwrite::mnuFileRemoveFile_Click() {
    QTreeWidgetItem* row = lvwImageFiles_->currentItem();
    if (!row || !row->isSelected()) {
        message("No Item Selected.", MsgIcon::Information);
        return;
    }
    if (!control_.RemoveItem(keyOf(row).toStdString()))
        message("Item could not be removed.", MsgIcon::Information);
    RefreshImageView();
}

void frmMaindvdwrite::mnuFileRenameDir_Click() {
    QTreeWidgetItem* node = tvwDirectories_->currentItem();
    if (!node) {
        message("No Item Selected.", MsgIcon::Information);
        return;
    }
    tvwDirectories_->startLabelEdit(node);
}

void frmMaindvdwrite::mnuFileRenameFile_Click() {
    QTreeWidgetItem* row = lvwImageFiles_->currentItem();
    if (!row || !row->isSelected()) {
        message("No Item Selected.", MsgIcon::Information);
        return;
    }
    lvwImageFiles_->startLabelEdit(row);
}

bool frmMaindvdwrite::tvwDirectories_BeforeLabelEdit(QTreeWidgetItem* node) {
    if (keyOf(node) == kRoot) {
        message("Root directory can not be renamed.", MsgIcon::Information);
        return false;
    }
    return true;
}

bool frmMaindvdwrite::tvwDirectories_AfterLabelEdit(QTreeWidgetItem* node, const QString& newText) {
    return renameEdited(node, newText, true);
}

bool frmMaindvdwrite::lvwImageFiles_AfterLabelEdit(QTreeWidgetItem* row, const QString& newText) {
    return renameEdited(row, newText, false);
}

bool frmMaindvdwrite::renameEdited(QTreeWidgetItem* item, const QString& newText, bool folder) {
    if (!ValidateItemName(newText))
        return false;
    const std::string path = keyOf(item).toStdString(), name = newText.toStdString();
    const bool ok = folder ? control_.RenameFolder(path, name) : control_.RenameFile(path, name);
    if (!ok)
        message(folder ? "Directory could not be renamed." : "File could not be renamed.",
                MsgIcon::Information);
    refreshLater();
    return ok;
}

// The list is read again once the edit has ended: its rows must not go while their editor commits.
void frmMaindvdwrite::refreshLater() {
    QTimer::singleShot(0, this, [this] { RefreshImageView(); });
}

void frmMaindvdwrite::popupFileMenu(bool overTree, const QPoint& globalPos) {
    const QList<QAction*> entries = mnuFile_->actions();
    const QList<QAction*> shown = overTree
                                      ? QList<QAction*>{mnuFileAddFiles_, mnuFileAddFolder_, mnuFileClear_,
                                                        mnuFileRemoveDir_, mnuFileRenameDir_}
                                      : QList<QAction*>{mnuFileAddFiles_, mnuFileAddFolder_, mnuFileClear_,
                                                        mnuFileRemoveFile_, mnuFileRenameFile_};
    for (QAction* entry : entries)
        entry->setVisible(shown.contains(entry));
    mnuFile_->exec(globalPos);
    for (QAction* entry : entries)
        entry->setVisible(true);
}

int frmMaindvdwrite::clampSplitter(int x) const {
    const int margin = 500 * logicalDpiX() / 1440; // 500 twips
    return std::clamp(x, margin, std::max(margin, imageArea_->width() - margin));
}

void frmMaindvdwrite::imgSplitter_MouseDown(int x) {
    picSplitter_->setGeometry(imgSplitter_->geometry());
    picSplitter_->move(clampSplitter(x), imgSplitter_->y());
    picSplitter_->raise();
    picSplitter_->show();
}

void frmMaindvdwrite::imgSplitter_MouseMove(int x) {
    if (picSplitter_->isVisible())
        picSplitter_->move(clampSplitter(x), picSplitter_->y());
}

void frmMaindvdwrite::imgSplitter_MouseUp(int x) {
    if (!picSplitter_->isVisible())
        return;
    picSplitter_->hide();
    tvwDirectories_->setFixedWidth(std::max(1, clampSplitter(x) - tvwDirectories_->x()));
}

QTreeWidgetItem* frmMaindvdwrite::nodeOf(const QString& path) const {
    return nodes_.value(folded(path), nullptr);
}

QTreeWidgetItem* frmMaindvdwrite::addFolderNode(const QString& parentPath, const QString& path,
                                                const QString& name) {
    if (QTreeWidgetItem* existing = nodeOf(path))
        return existing;
    QTreeWidgetItem* parent = nodeOf(parentPath.isEmpty() ? kRoot : parentPath);
    if (!parent)
        parent = nodeOf(kRoot);
    auto* node = new QTreeWidgetItem(parent, QStringList{name});
    node->setData(0, Qt::UserRole, path);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    SetItemIcons(node, kIconClosedFolder, kIconOpenFolder);
    nodes_.insert(folded(path), node);
    return node;
}

// The folders of the image that have no node yet (those of an imported session), level by level.
void frmMaindvdwrite::addTreeFolders() {
    std::deque<QString> pending{kRoot};
    while (!pending.empty()) {
        const QString folder = pending.front();
        pending.pop_front();
        collectedFolders_.clear();
        collectingFolders_ = true;
        control_.ListFolder(folder.toStdString());
        collectingFolders_ = false;
        const std::vector<std::string> found = collectedFolders_;
        for (const std::string& path : found) {
            const QString p = qs(path);
            addFolderNode(folder, p, p.mid(p.lastIndexOf('\\') + 1));
            pending.push_back(p);
        }
    }
}

void frmMaindvdwrite::rekeyNode(QTreeWidgetItem* node, const QString& oldPath, const QString& newPath) {
    const QString key = keyOf(node);
    nodes_.remove(folded(key));
    const QString moved = newPath + key.mid(oldPath.size());
    node->setData(0, Qt::UserRole, moved);
    nodes_.insert(folded(moved), node);
    for (int i = 0; i < node->childCount(); ++i)
        rekeyNode(node->child(i), oldPath, newPath);
}

void frmMaindvdwrite::forgetNode(QTreeWidgetItem* node) {
    nodes_.remove(folded(keyOf(node)));
    for (int i = 0; i < node->childCount(); ++i)
        forgetNode(node->child(i));
}

void frmMaindvdwrite::ItemAdded(const std::string& parentPath, const std::string& path,
                                const std::string& name, const std::string& /*source*/, bool isFolder) {
    if (isFolder) {
        addFolderNode(qs(parentPath), qs(path), qs(name));
        setPanel(1, "Adding...." + qs(path));
    }
    yield();
}

void frmMaindvdwrite::ItemListed(const std::string& /*parentPath*/, const std::string& path,
                                 const std::string& name, const std::string& /*source*/, bool isFolder,
                                 std::time_t modified, long long size) {
    if (collectingFolders_) {
        if (isFolder)
            collectedFolders_.push_back(path);
        return;
    }
    if (isFolder)
        return;
    auto* row = new QTreeWidgetItem(
        lvwImageFiles_, QStringList{qs(name), qs(FormatFileSize(size)), qs(FormatFileDate(modified))});
    row->setData(0, Qt::UserRole, qs(path));
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    SetItemIcons(row, kIconFile, kIconFile);
}

void frmMaindvdwrite::FolderRemoved(const std::string& path, const std::string& /*text*/, bool ok) {
    if (!ok)
        return;
    QTreeWidgetItem* node = nodeOf(qs(path));
    if (!node || keyOf(node) == kRoot)
        return;
    forgetNode(node);
    delete node;
}

void frmMaindvdwrite::FolderRenamed(const std::string& oldPath, const std::string& newPath, bool ok) {
    if (!ok)
        return;
    if (QTreeWidgetItem* node = nodeOf(qs(oldPath))) {
        rekeyNode(node, keyOf(node), qs(newPath));
        node->setText(0, qs(newPath).mid(qs(newPath).lastIndexOf('\\') + 1));
    }
}

void frmMaindvdwrite::ImageCleared() {
    ResetImageView();
}

void frmMaindvdwrite::txtVolIdentifier_Change(const QString& text) {
    if (QTreeWidgetItem* root = nodeOf(kRoot))
        root->setText(0, text);
}

} // namespace tessaly

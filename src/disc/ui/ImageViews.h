// ImageViews.h -- the image tree and file list widgets (drops, label edits, right button) and the splitter.
#pragma once

#include <QFrame>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

namespace tessaly {

// A tree widget that shows part of the data image. It takes files and folders dropped from the
// desktop, reports where the right mouse button was released, and lets its owner refuse a label
// edit before it starts and check the new text before it is taken.
class ImageView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    // Local paths of the dropped files and folders, in the order given.
    std::function<void(const QStringList& paths)> onDrop;
    std::function<void(const QPoint& globalPos)> onRightRelease;
    // False refuses the edit.
    std::function<bool(QTreeWidgetItem* item)> beforeLabelEdit;
    // False cancels the edit and the old text stays.
    std::function<bool(QTreeWidgetItem* item, const QString& newText)> afterLabelEdit;

    // Starts editing the item's label (column 0), as the rename commands do.
    void startLabelEdit(QTreeWidgetItem* item);
    QTreeWidgetItem* itemAt(const QModelIndex& index) const { return itemFromIndex(index); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    bool approved_ = false; // startLabelEdit has asked beforeLabelEdit already
};

// The bar between tree and list (imgSplitter). Pressing, dragging and releasing it report the
// pointer's x position in the coordinates of the bar's parent.
class SplitterBar : public QFrame {
    Q_OBJECT
public:
    explicit SplitterBar(QWidget* parent = nullptr);

    std::function<void(int x)> onPress;
    std::function<void(int x)> onDrag;
    std::function<void(int x)> onRelease;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int parentX(QMouseEvent* event) const;
    bool pressed_ = false;
};

// The local paths of a drop's file list; empty when it carries none.
QStringList DroppedPaths(const QMimeData* data);

} // namespace tessaly

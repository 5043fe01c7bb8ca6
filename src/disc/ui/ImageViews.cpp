// ImageViews.cpp -- the image tree and file list widgets (drops, label edits, right button) and the splitter.
#include "disc/ui/ImageViews.h"

#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QUrl>

namespace tessaly {

namespace {

// Hands a finished label edit to the view's check before the text is taken.
class LabelEditDelegate : public QStyledItemDelegate {
public:
    explicit LabelEditDelegate(ImageView* view) : QStyledItemDelegate(view), view_(view) {}

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const QString text = editor->property("text").toString();
        if (text == index.data(Qt::DisplayRole).toString())
            return; // nothing changed: no rename
        if (view_->afterLabelEdit && !view_->afterLabelEdit(view_->itemAt(index), text))
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    ImageView* view_;
};

} // namespace

QStringList DroppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        paths << path;
    }
    return paths;
}

ImageView::ImageView(QWidget* parent) : QTreeWidget(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setItemDelegate(new LabelEditDelegate(this));
}

void ImageView::startLabelEdit(QTreeWidgetItem* item) {
    setCurrentItem(item);
    if (beforeLabelEdit && !beforeLabelEdit(item))
        return;
    approved_ = true;
    editItem(item, 0);
    approved_ = false;
}

void ImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void ImageView::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void ImageView::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (onDrop)
        onDrop(paths);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton && onRightRelease)
        onRightRelease(event->globalPosition().toPoint());
}

bool ImageView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool starting =
        state() != EditingState && (trigger == AllEditTriggers || (editTriggers() & trigger));
    if (starting) {
        if (index.column() != 0)
            return false;
        if (!approved_ && beforeLabelEdit && !beforeLabelEdit(itemFromIndex(index)))
            return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

SplitterBar::SplitterBar(QWidget* parent) : QFrame(parent) {
    setCursor(Qt::SplitHCursor);
    setFixedWidth(5);
}

int SplitterBar::parentX(QMouseEvent* event) const {
    return mapToParent(event->position().toPoint()).x();
}

void SplitterBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    if (onPress)
        onPress(parentX(event));
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ && onDrag)
        onDrag(parentX(event));
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    if (onRelease)
        onRelease(parentX(event));
}

} // namespace tessaly

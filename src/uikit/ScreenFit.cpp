// ScreenFit.cpp -- the scroll area that asks for its whole contents, and the size and place of a window.
#include "uikit/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace tessaly {

namespace {

// QScrollArea caps its size hint at 36 x 24 lines; this one wants all of its contents, and its
// scroll bars appear only when the window had to be made smaller than that.
class WholeContentsArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        if (!widget())
            return QScrollArea::sizeHint();
        const int f = 2 * frameWidth();
        return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()) + QSize(f, f);
    }
};

// Room kept for the title bar and borders a window manager adds around the window.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;

} // namespace

QWidget* scrollingBody(QWidget* window) {
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* area = new WholeContentsArea(window);
    area->setObjectName("scrollingBody");
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus); // Tab goes to the controls, not to the area around them
    area->setWidgetResizable(true);
    auto* body = new QWidget(area);
    body->setObjectName("scrollingBodyContents");
    area->setWidget(body);
    outer->addWidget(area);
    return body;
}

QSize screenRoom(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size()
                                            : QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    return (screen->availableGeometry().size() - frame).expandedTo(QSize(1, 1));
}

void fitToScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size()
                                            : QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    const QSize room = screenRoom(window);
    QSize size = window->sizeHint().expandedTo(window->minimumSizeHint()).boundedTo(room);
    // A minimum larger than the room would push the window off the screen.
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(size);
    QRect placed(window->pos(), size + frame);
    if (!free.contains(placed)) {
        placed.moveCenter(free.center());
        window->move(std::max(placed.left(), free.left()), std::max(placed.top(), free.top()));
    }
}

} // namespace tessaly

// DiscWindow.cpp -- opening the writing window on a disc-writing control of its own.
#include "disc/ui/DiscWindow.h"

#include "disc/BurnDiscWriter.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tessaly {

EventPoster QtEventPoster() {
    return [](std::function<void()> work) {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
    };
}

void ShowDiscWriteWindow(Ui& ui, const DiscHandOver& handOver, const DiscWindowHooks& hooks,
                         QWidget* parent) {
    BurnDiscWriter control(QtEventPoster());
    frmMaindvdwrite window(control, ui, handOver, hooks, parent);
    window.exec();
}

} // namespace tessaly

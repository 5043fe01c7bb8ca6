// DiscJobDialog.cpp -- base of the disc windows that run a job on the writing window's control.
#include "disc/ui/DiscJobDialog.h"

#include <QCloseEvent>

namespace tessaly {

DiscJobDialog::DiscJobDialog(DiscWriter& objCDR, Ui& ui, QWidget* parent)
    : QDialog(parent), mobjDVDPro_(objCDR), ui_(ui) {}

void DiscJobDialog::message(const std::string& text, MsgIcon icon) {
    ui_.messageBox(text, kAppTitle, icon, MsgButtons::Ok);
}

void DiscJobDialog::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    if (event->isAccepted())
        mobjDVDPro_.removeListener(this);
}

void DiscJobDialog::reject() {
    if (!busy_)
        QDialog::reject();
}

} // namespace tessaly

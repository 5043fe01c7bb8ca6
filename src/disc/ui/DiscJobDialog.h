// DiscJobDialog.h -- base of the disc windows that run a job on the writing window's control.
#pragma once

#include "disc/DiscWriter.h"
#include "platform/Ui.h"

#include <QDialog>

namespace tessaly {

class DiscJobDialog : public QDialog, public DiscEvents {
    Q_OBJECT
public:
    bool busy() const { return busy_; }

protected:
    // Borrows the writing window's control (objCDR); the window itself registers for its events.
    DiscJobDialog(DiscWriter& objCDR, Ui& ui, QWidget* parent);

    // While a job runs the window cannot be closed; once closed it hears no more events.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void message(const std::string& text, MsgIcon icon);

    DiscWriter& mobjDVDPro_;
    Ui& ui_;
    bool busy_ = false;
};

} // namespace tessaly

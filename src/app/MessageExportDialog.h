// MessageExportDialog.h -- the "Export Messages" dialog: the folder to write into and the format.
#pragma once

#include "mailstore/MessageExport.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tessaly {

struct MessageExportChoice {
    QString folder;
    ExportFormat format = ExportFormat::Mbox;
};

// Shows the dialog; nullopt when the user cancels. Tests put their own answer in its place.
std::optional<MessageExportChoice> ChooseMessageExport(QWidget* parent);
using MessageExportChooser = std::function<std::optional<MessageExportChoice>(QWidget* parent)>;

} // namespace tessaly

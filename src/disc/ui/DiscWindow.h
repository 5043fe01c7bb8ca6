// DiscWindow.h -- opening the writing window on a disc-writing control of its own.
#pragma once

#include "disc/DiscWriter.h"
#include "disc/ui/frmMaindvdwrite.h"

namespace tessaly {

// Hands the control's job events to the Qt event loop, so that they reach the windows on the GUI thread.
EventPoster QtEventPoster();

// Opens frmMaindvdwrite modally over parent on a control that drives this computer's writers (and
// the pseudo-drives of TESSALY_EXTRA_DRIVES), with the handed-over backup file in its layout.
void ShowDiscWriteWindow(Ui& ui, const DiscHandOver& handOver, const DiscWindowHooks& hooks, QWidget* parent);

} // namespace tessaly

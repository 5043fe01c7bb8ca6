// frmMainMessages.cpp -- "Export Messages..." of the restore tab: the opened backup file's mail written
// as mbox or .eml files, with the window's progress panel and a summary.
#include "app/frmMain.h"

#include "engine/MessageSources.h"

#include <QPushButton>

namespace tessaly {

void frmMain::cmdExportMessages_Click() {
    if (refusedDuringRun())
        return;
    std::error_code ec;
    if (state_.InspectionInvalid || state_.TempArchivePath.empty() ||
        !std::filesystem::exists(state_.TempArchivePath, ec)) {
        ui_.messageBox("Open a backup file first.", kAppTitle, MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    std::optional<MessageExportChoice> choice = chooseMessageExport_(this);
    if (!choice || !beginRun())
        return;
    std::filesystem::path dir = choice->folder.toStdString();
    std::string summary;
    MsgIcon icon = MsgIcon::Information;
    ui_.clearStop();
    stoppableRun_ = true;
    ui_.setProgressSpan(0, 100);
    ui_.setStatusText("Exporting Messages...");
    ui_.showProgress(true);
    try {
        ExportSummary s = exportArchiveMessages(state_.TempArchivePath, dir, choice->format, ui_);
        summary = describeExport(s, dir) + ".";
        for (const std::string& problem : s.problems)
            summary += "\r\n" + problem;
        if (s.damaged || !s.problems.empty())
            icon = MsgIcon::Exclamation;
    } catch (const RunStopped&) {
        summary = "The export was stopped; the files written so far in " + dir.string() + " are complete.";
        icon = MsgIcon::Exclamation;
    } catch (const std::exception& e) {
        summary = std::string("The messages could not be exported: ") + e.what();
        icon = MsgIcon::Critical;
    }
    ui_.showProgress(false);
    stoppableRun_ = false;
    setStopMode(false);
    ui_.messageBox(summary, kAppTitle, icon, MsgButtons::Ok);
    endRun();
}

} // namespace tessaly

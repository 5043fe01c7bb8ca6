// MessageExport.h -- writing the messages of a MailCollection as mbox files or .eml files.
#pragma once

#include "mailstore/MailCollection.h"
#include "platform/Ui.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

enum class ExportFormat { Mbox, Eml };

struct ExportSummary {
    std::size_t folders = 0;           // folders whose messages were written
    std::size_t messages = 0;          // messages written
    std::size_t damaged = 0;           // damaged messages and index nodes left out
    std::vector<std::string> problems; // stores that could not be read at all (the caller adds them)
};

// "Exported 40 message(s) of 6 folder(s) into DIR; 0 damaged message(s) skipped"
std::string describeExport(const ExportSummary& summary, const std::filesystem::path& dir);

// True when `wanted` names the folder: its whole path ("Local Folders/Inbox") or its own name,
// without regard to ASCII letter case.
bool folderMatches(const MailFolder& folder, const std::string& wanted);

// Writes into `dir` (made when missing): for mbox one file per folder named after it, sub-folders in
// "<name>.sbd" folders beside it; for eml one folder per folder and one "NNNN subject.eml" per
// message holding the message's own bytes. Nothing that exists is replaced (a taken name gets
// " (2)"). Every file appears complete or not at all: a stop (RunStopped, thrown on from the Ui) or a
// failure leaves the files finished so far. Progress goes to the Ui by store bytes. `only` limits
// the export to the folders it names. Throws std::runtime_error for output that cannot be written.
ExportSummary exportMessages(MailCollection& mail, const std::filesystem::path& dir, ExportFormat format,
                             const std::optional<std::string>& only, Ui& ui);

} // namespace tessaly

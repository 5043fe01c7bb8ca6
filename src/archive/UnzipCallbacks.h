// UnzipCallbacks.h -- what the unzip engine asks of the person and the listing it keeps: the
// overwrite question, the password prompt and the listing lines.
#pragma once

#include "platform/Ui.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace tessaly {

inline constexpr int kReplaceNo = 100;   // keep this file
inline constexpr int kReplaceYes = 102;  // replace this file
inline constexpr int kReplaceNone = 104; // keep this and every later file

// "Overwrite <name>?" with Yes, No and Cancel; no Ui (or any other answer) counts as Cancel.
int askOverwrite(Ui* ui, const std::string& name);

// Asks "Please Enter The Password!". Returns 0 with the answer (at most 256 bytes) in password, or
// 1 when there is no Ui or the answer is empty or cancelled.
int askZipPassword(Ui* ui, std::string& password);

// Empties the listing text at the start of a run (the line counter keeps counting).
void clearListing();

// Appends one entry line to the listing (after the header, when this is the program's first line).
void addListingLine(std::uint64_t size, std::time_t mtime, const std::string& name);

} // namespace tessaly

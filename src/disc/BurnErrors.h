// BurnErrors.h -- turns the libraries' messages about a failed job into DriveError and FileError.
#pragma once

#include "BurnLibrary.h"

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct FileFailure {
    int code = 0; // FileError code: 0 opening, 2 reading
    std::string fileName;
};

struct DriveFailure {
    int kind = 0;
    int code = 0;
    std::string text;
    std::string sense;
};

// The drive error table code for SCSI sense data, 0 when no entry fits.
int DriveCodeForSense(int key, int asc, int ascq);
// The drive error table code for a libburn message code (and its errno), 0 when none fits.
int DriveCodeForMessage(int messageCode, int osErrno);
// Finds sense data in a libburn message text: "[5 21 02]", "key=5h asc=21h ascq=02h" or
// "Sense Key 5 ASC 21 ASCQ 02".
bool ParseSense(const std::string& text, int& key, int& asc, int& ascq);

// The source file whose opening or reading stopped the image, if the messages name one.
std::optional<FileFailure> FindFileFailure(const std::vector<BurnMessage>& messages);
// The DriveError for a failed job: the most telling message mapped onto the table (kind 3) where
// an entry fits, else kind 2 with libburn's code and own text; `fallback` when nothing was said.
DriveFailure DescribeFailure(const std::vector<BurnMessage>& messages, const std::string& fallback);

} // namespace tessaly

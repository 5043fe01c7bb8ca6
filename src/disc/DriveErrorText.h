// DriveErrorText.h -- the words users see for the control's DriveError and FileError events.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// The table text of a drive error code (1000 to 1055), then " (", the code and ").";
// a code outside the table gives only " (" + code + ").".
std::string DriveErrorText(std::int32_t code);

// "Error Opening File: ", "Error Closing File: ", "Error Reading file: " for codes 0, 1, 2,
// "Unknown file error!:" for any other code, each followed by the file name.
std::string FileErrorText(int code, const std::string& fileName);

// The message box text of a DriveError event, the same in every disc window.
std::string DriveErrorMessage(int kind, std::int32_t code, const std::string& text,
                              const std::string& senseData);

} // namespace tessaly

// EngineMessages.h -- the engine message buffer that the zip and unzip sides share.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Everything the last engine run (of either side) wrote; emptied at the start of every run.
const std::string& engineMessages();
// The complaint behind the last run's non-zero result, empty after a run that succeeded.
const std::string& lastEngineError();

namespace detail {
void clearEngineMessages();
// The zip engine's text output: the text up to its first NUL is appended as it is.
void zipTextOutput(std::string_view text);
// The unzip engine's text output: up to the first NUL; a text that begins with a line feed is
// replaced by CR LF.
void unzipTextOutput(std::string_view text);
void setLastEngineError(std::string text);
// Entry data written "to standard output": appended byte for byte.
void appendEngineBytes(std::string_view bytes);
} // namespace detail

} // namespace tessaly

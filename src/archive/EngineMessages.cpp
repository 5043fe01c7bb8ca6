// EngineMessages.cpp -- the module-wide engine message buffer.
#include "archive/EngineMessages.h"

#include "archive/EntryName.h"

namespace tessaly {

namespace {
std::string gMessages;
std::string gLastError;
} // namespace

const std::string& engineMessages() {
    return gMessages;
}
const std::string& lastEngineError() {
    return gLastError;
}

namespace detail {

void clearEngineMessages() {
    gMessages.clear();
    gLastError.clear();
}

void zipTextOutput(std::string_view text) {
    gMessages += upToNul(text);
}

void unzipTextOutput(std::string_view text) {
    text = upToNul(text);
    if (!text.empty() && text.front() == '\n')
        gMessages += "\r\n";
    else
        gMessages += text;
}

void setLastEngineError(std::string text) {
    gLastError = std::move(text);
}

void appendEngineBytes(std::string_view bytes) {
    gMessages += bytes;
}

} // namespace detail
} // namespace tessaly

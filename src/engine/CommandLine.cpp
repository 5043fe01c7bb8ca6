// CommandLine.cpp -- recording the command line and the main window's file locations.
#include "engine/CommandLine.h"

#include "engine/MainWindowState.h"

namespace tessaly {

std::string RecordCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

std::string InfoFilePathIn(const std::string& folder, char separator) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + "vantrel.dat";
    return folder + separator + "vantrel.dat";
}

} // namespace tessaly

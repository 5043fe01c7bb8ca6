// main.cpp -- tessaly: the interactive program, or the scheduled backup when started with a command line.
#include "engine/CommandLine.h"
#include "engine/ScheduledRun.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::string recorded = tessaly::RecordCommandLine(argc, argv);
    if (tessaly::isUnattended(recorded))
        return tessaly::RunScheduledBackup(recorded, std::cerr);
    std::cerr << "tessaly: this build has no main window yet; use tessaly-cli for backups and restores.\n";
    return 2;
}

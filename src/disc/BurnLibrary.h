// BurnLibrary.h -- process-wide start and end of the three libraries, and their message queue.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

// One message of the libraries' common queue.
struct BurnMessage {
    int code = 0;
    std::string severity;
    std::string text;
    int osErrno = 0;
};

// Starts the libraries on first use and ends them with the last user. Both run on the worker.
// Nothing is ever printed to stderr: every message goes to the queue that drainBurnMessages reads.
bool acquireBurnLibrary();
void releaseBurnLibrary();

// Takes every message queued so far (all severities, DEBUG included).
std::vector<BurnMessage> drainBurnMessages();

// The rank of a severity name: higher is more severe (ERRFILE and DEBUG lowest).
int severityRank(const std::string& severity);

} // namespace tessaly

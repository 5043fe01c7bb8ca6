// BurnLibrary.cpp -- library start-up with silent, queued messages.
#include "BurnLibrary.h"

#include "BurnLibs.h"

#include <mutex>

namespace tessaly {

namespace {
std::mutex gLibraryMutex;
int gUsers = 0;
} // namespace

bool acquireBurnLibrary() {
    std::lock_guard lock(gLibraryMutex);
    if (gUsers > 0) {
        ++gUsers;
        return true;
    }
    char message[1024] = {};
    if (!burn::isoburn_initialize(message, 0))
        return false;
    // One queue for both libraries; it must be joined before the severities are set on it.
    burn::burn_set_messenger(iso_get_messenger());
    burn::burn_msgs_set_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"),
                                   const_cast<char*>("tessaly: "));
    iso_set_msgs_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"),
                            const_cast<char*>("tessaly: "));
    // Without this, names outside ASCII are mangled when the environment carries no locale (cron).
    iso_set_local_charset(const_cast<char*>("UTF-8"), 0);
    // A source file that cannot be opened or read stops the image instead of being written as zeros.
    iso_set_abort_severity(const_cast<char*>("MISHAP"));
    ++gUsers;
    return true;
}

void releaseBurnLibrary() {
    std::lock_guard lock(gLibraryMutex);
    if (gUsers == 0)
        return;
    if (--gUsers == 0) {
        drainBurnMessages();
        burn::isoburn_finish();
    }
}

std::vector<BurnMessage> drainBurnMessages() {
    std::vector<BurnMessage> messages;
    for (;;) {
        int code = 0, osErrno = 0;
        char text[BURN_MSGS_MESSAGE_LEN] = {};
        char severity[81] = {};
        if (burn::burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) <= 0)
            break;
        messages.push_back(BurnMessage{code, severity, text, osErrno});
    }
    return messages;
}

int severityRank(const std::string& severity) {
    static const char* const order[] = {"ALL",     "ERRFILE", "DEBUG",  "UPDATE",  "NOTE",  "HINT",
                                        "WARNING", "SORRY",   "MISHAP", "FAILURE", "FATAL", "ABORT"};
    for (int i = 0; i < static_cast<int>(std::size(order)); ++i)
        if (severity == order[i])
            return i;
    return 0;
}

} // namespace tessaly

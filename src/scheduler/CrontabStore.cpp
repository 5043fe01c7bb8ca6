// CrontabStore.cpp -- the crontab program as the store of scheduled jobs.
#include "scheduler/CrontabStore.h"

#include "scheduler/RunCommand.h"

#include <cstdlib>

namespace tessaly {

std::string crontabProgram() {
    const char* injected = std::getenv("TESSALY_CRONTAB");
    return injected && *injected ? injected : "crontab";
}

CommandCrontab::CommandCrontab(std::string program) : program_(std::move(program)) {}

namespace {

// The program's messages on one line.
std::string messages(const std::string& text) {
    std::string joined;
    for (char c : text)
        joined += c == '\n' ? ' ' : c;
    while (!joined.empty() && joined.back() == ' ')
        joined.pop_back();
    return joined.empty() ? "no message" : joined;
}

CommandResult run(const std::vector<std::string>& argv, const std::string& input = "") {
    try {
        return RunCommand(argv, input);
    } catch (const std::exception& e) {
        throw SchedulerError(std::string(e.what()) + " (is the cron package installed?)");
    }
}

} // namespace

std::string CommandCrontab::read() {
    CommandResult r = run({program_, "-l"});
    if (r.exitCode == 0)
        return r.out;
    // "no crontab for USER" is how crontab says the table is empty.
    if (r.err.find("no crontab for") != std::string::npos)
        return "";
    throw SchedulerError(program_ + " -l failed: " + messages(r.err));
}

void CommandCrontab::write(const std::string& table) {
    CommandResult r = run({program_, "-"}, table);
    if (r.exitCode != 0)
        throw SchedulerError(program_ + " could not install the table: " + messages(r.err));
}

} // namespace tessaly

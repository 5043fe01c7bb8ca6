// Verbs.h -- the verbs of tessaly-cli; each takes the arguments after its name and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace tessaly::cli {

using Args = std::vector<std::string>;

int runIdentities(const Args& args);
int runReg(const Args& args);
int runFavorites(const Args& args);
int runSchedule(const Args& args);
int runBackup(const Args& args);
int runRestore(const Args& args);
int runInspect(const Args& args);
int runVerify(const Args& args);
int runExtract(const Args& args);
int runProtect(const Args& args);
int runMessages(const Args& args);
int runHistory(const Args& args);

} // namespace tessaly::cli

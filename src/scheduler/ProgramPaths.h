// ProgramPaths.h -- which programs a scheduled job starts: Tessaly itself and tessaly-cli.
#pragma once

#include <filesystem>

namespace tessaly {

// The real path of the running executable (/proc/self/exe with links resolved).
std::filesystem::path runningExecutable();

// The program a scheduled backup runs: the running executable when it is "tessaly", else a
// "tessaly" beside it (installed layout), else the build tree's src/app/tessaly next to our folder.
std::filesystem::path defaultScheduledProgram();

// tessaly-cli, found the same way; it removes the line of a job that ran once.
std::filesystem::path defaultCliProgram();

} // namespace tessaly

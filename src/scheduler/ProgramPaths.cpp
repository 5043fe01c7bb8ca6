// ProgramPaths.cpp -- finding tessaly and tessaly-cli from the running executable.
#include "scheduler/ProgramPaths.h"

#include <system_error>

namespace tessaly {

namespace {

std::filesystem::path findProgram(const std::string& name, const std::string& buildFolder) {
    std::filesystem::path self = runningExecutable();
    if (self.filename() == name)
        return self;
    std::filesystem::path folder = self.parent_path();
    std::error_code ec;
    for (const std::filesystem::path& candidate :
         {folder / name, folder.parent_path() / buildFolder / name}) {
        if (std::filesystem::exists(candidate, ec))
            return std::filesystem::weakly_canonical(candidate, ec);
    }
    return folder / name;
}

} // namespace

std::filesystem::path runningExecutable() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return std::filesystem::weakly_canonical(self, ec);
}

std::filesystem::path defaultScheduledProgram() {
    return findProgram("tessaly", "app");
}

std::filesystem::path defaultCliProgram() {
    return findProgram("tessaly-cli", "cli");
}

} // namespace tessaly

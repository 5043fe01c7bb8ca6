// DiscVerbs.h -- tessaly-cli disc: drives, disc facts, writing and erasing discs, saving ISO files.
#pragma once

#include <string>
#include <vector>

namespace tessaly::cli {

// The arguments after "disc"; returns the exit code (0 done, 1 failed, 2 refused).
int runDiscVerb(const std::vector<std::string>& args);

} // namespace tessaly::cli

// DiscVerbRunner.cpp -- runs the disc verbs of tessaly-cli on their own, for the verb tests.
#include "cli/DiscVerbs.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return tessaly::cli::runDiscVerb(std::vector<std::string>(argv + 1, argv + argc));
}

// main.cpp -- tessaly-cli: Tessaly's work without windows, one verb per run.
#include "cli/CliCommon.h"
#include "cli/DiscVerbs.h"
#include "cli/Verbs.h"
#include "platform/ProfileLock.h"
#include "platform/WindowsProfile.h"

#include <cstring>
#include <iostream>
#include <map>

namespace {

struct Verb {
    int (*run)(const tessaly::cli::Args&);
    const char* summary;
};

const std::map<std::string, Verb>& verbs() {
    static const std::map<std::string, Verb> table = {
        {"identities", {tessaly::cli::runIdentities, "list the identities of the profile"}},
        {"reg", {tessaly::cli::runReg, "dump a registry key tree to a text dump, or load one"}},
        {"favorites", {tessaly::cli::runFavorites, "export the favorites to a bookmark file, or import one"}},
        {"schedule", {tessaly::cli::runSchedule, "add, list or remove scheduled backups (crontab)"}},
        {"backup", {tessaly::cli::runBackup, "back up an identity into a backup file"}},
        {"restore", {tessaly::cli::runRestore, "restore a backup file into an identity"}},
        {"history", {tessaly::cli::runHistory, "list the versions of a backup file, or pin one"}},
        {"inspect", {tessaly::cli::runInspect, "show what a backup file holds"}},
        {"verify", {tessaly::cli::runVerify, "check a backup file member by member"}},
        {"extract", {tessaly::cli::runExtract, "extract the members of a backup file into a folder"}},
        {"messages", {tessaly::cli::runMessages, "list the mail of a backup file or identity, or export it"}},
        {"protect",
         {tessaly::cli::runProtect, "rewrite a backup file in the strong or the compatible format"}},
        {"disc",
         {tessaly::cli::runDiscVerb, "list drives, show disc facts, write or erase discs, save ISO files"}},
    };
    return table;
}

void usage(std::ostream& out) {
    out << "usage: tessaly-cli VERB [ARGS...] [--profile DIR]\n\nverbs:\n";
    for (const auto& [name, verb] : verbs())
        out << "  " << name << std::string(12 - std::min<size_t>(name.size(), 11), ' ') << verb.summary
            << '\n';
    out << "\n--profile DIR uses that Wine prefix instead of $WINEPREFIX (default ~/.wine, else the\n"
           "bundled sample profile). 'tessaly-cli VERB --help' describes a verb.\n"
           "--profile DIR may also name a Windows user profile folder (it holds NTUSER.DAT), or with\n"
           "--user NAME a mounted Windows drive holding Documents and Settings\\NAME or Users\\NAME;\n"
           "such a profile is only read: backups are made from it, nothing is ever written to it.\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? tessaly::cli::kExitRefused : tessaly::cli::kExitOk;
    }
    auto it = verbs().find(argv[1]);
    if (it == verbs().end()) {
        usage(std::cerr);
        return tessaly::cli::fail(tessaly::cli::kExitRefused, std::string("unknown verb ") + argv[1]);
    }
    tessaly::cli::Args args(argv + 2, argv + argc);
    try {
        return it->second.run(args);
    } catch (const tessaly::ProfileBusy& e) {
        return tessaly::cli::fail(tessaly::cli::kExitRefused, e.what());
    } catch (const tessaly::ProfileReadOnly& e) {
        return tessaly::cli::fail(tessaly::cli::kExitRefused, e.what());
    } catch (const std::invalid_argument& e) {
        return tessaly::cli::fail(tessaly::cli::kExitRefused, e.what());
    } catch (const std::exception& e) {
        return tessaly::cli::fail(tessaly::cli::kExitFailed, e.what());
    }
}

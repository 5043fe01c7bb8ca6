// RegVerbs.cpp -- tessaly-cli reg dump / reg load: the registry text dump on the current profile.
#include "cli/CliCommon.h"
#include "cli/Verbs.h"

#include <iostream>

namespace tessaly::cli {

namespace {

const char* kUsage =
    "usage: tessaly-cli reg dump KEYPATH FILE [--profile DIR]\n"
    "       tessaly-cli reg load KEYPATH FILE [--profile DIR]\n"
    "dump writes the key tree KEYPATH (e.g. \"HKEY_CURRENT_USER\\Identities\\{...}\\Software\")\n"
    "as a text dump; load replaces the tree KEYPATH with the dump's keys and values and\n"
    "saves the profile. A dump that cannot be read changes nothing.\n";

// A key path that names a root of the profile, checked before anything is done with it.
bool validKeyPath(ModReg& mod, std::string path) {
    HKEY root = kHkeyNone;
    mod.SplitKeyPath(path, root);
    return root == kHkeyCurrentUser || root == kHkeyLocalMachine;
}

} // namespace

int runReg(const Args& args) {
    CommonOptions options = parseCommonOptions(args);
    if (options.help || options.positional.empty()) {
        std::cout << kUsage;
        return options.help ? kExitOk : kExitRefused;
    }
    if (options.positional.size() != 3 ||
        (options.positional[0] != "dump" && options.positional[0] != "load"))
        return fail(kExitRefused, std::string("reg needs dump or load, a key path and a file\n") + kUsage);
    const std::string& verb = options.positional[0];
    const std::string& keyPath = options.positional[1];
    const std::filesystem::path file = options.positional[2];
    TerminalUi ui(options.yes);
    auto session = openProfile(options, ui);
    ModReg& mod = session->modReg();
    if (!validKeyPath(mod, keyPath))
        return fail(kExitRefused, "\"" + keyPath +
                                      "\" is not a key path of this profile (it must begin with "
                                      "HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE)");
    if (verb == "dump") {
        if (!mod.RegKeyExists(keyPath))
            return fail(kExitFailed, "no such key: " + keyPath);
        mod.DumpKeyTree(keyPath, "", file);
        std::cerr << "dumped " << keyPath << " to " << file.string() << std::endl;
        return kExitOk;
    }
    auto lock = session->lockForChanges("reg load");
    session->registry().checkCanChange();
    mod.LoadKeyDump(keyPath, file);
    session->registry().save();
    std::cerr << "loaded " << file.string() << " into " << keyPath << " and saved the profile" << std::endl;
    return kExitOk;
}

} // namespace tessaly::cli

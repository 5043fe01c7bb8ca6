// IdentitiesVerb.cpp -- tessaly-cli identities: user name, TAB, identity key, one line each.
#include "cli/CliCommon.h"
#include "cli/Verbs.h"

#include <iostream>

namespace tessaly::cli {

namespace {
const char* kUsage = "usage: tessaly-cli identities [--profile DIR]\n"
                     "Lists the mail client's identities of the profile: user name, TAB, identity key.\n"
                     "Exit code 3 when the profile has none.\n";
} // namespace

int runIdentities(const Args& args) {
    CommonOptions options = parseCommonOptions(args);
    if (options.help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (!options.positional.empty())
        return fail(kExitRefused, "identities takes no arguments\n" + std::string(kUsage));
    TerminalUi ui(options.yes);
    auto session = openProfile(options, ui);
    IdentityTable table;
    bool notInstalled = false;
    EnumerateIdentities(session->modReg(), table, notInstalled);
    if (notInstalled || identityCount(table) == 0)
        return fail(kExitNoIdentities,
                    "the profile " + session->profile().prefix.string() +
                        " has no mail identities (no subkeys under HKEY_CURRENT_USER\\Identities)");
    for (size_t i = 0; i < identityCount(table); ++i)
        std::cout << table[i].userName << '\t' << table[i].key << '\n';
    return kExitOk;
}

} // namespace tessaly::cli

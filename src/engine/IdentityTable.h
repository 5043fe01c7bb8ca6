// IdentityTable.h -- the mail client's identities of the current user, as the windows list them.
#pragma once

#include "registry/ModReg.h"

#include <string>
#include <vector>

namespace tessaly {

struct IdentityColumn {
    std::string userName; // row 0: what the lists show
    std::string key;      // row 1: the identity's subkey name under HKEY_CURRENT_USER\Identities
};

// One column per identity in enumeration order, and one empty column after the last.
using IdentityTable = std::vector<IdentityColumn>;

inline size_t identityCount(const IdentityTable& table) {
    return table.empty() ? 0 : table.size() - 1;
}

// True when the text is empty once every zero character is removed and blanks are trimmed.
bool EmptyString(std::string text);

// Fills the table from HKEY_CURRENT_USER\Identities, or sets oeNotInstalled when it has no subkeys.
// An identity without a "Username" value is listed under its key.
void EnumerateIdentities(ModReg& modReg, IdentityTable& table, bool& oeNotInstalled);

// The identity whose user name or key is `nameOrKey` (key first, compared without regard to case).
const IdentityColumn* findIdentity(const IdentityTable& table, const std::string& nameOrKey);

} // namespace tessaly

// IdentityTable.cpp -- enumeration of the identities below HKEY_CURRENT_USER\Identities.
#include "engine/IdentityTable.h"

#include <algorithm>

namespace tessaly {

bool EmptyString(std::string text) {
    std::erase(text, '\0');
    return text.find_first_not_of(' ') == std::string::npos;
}

void EnumerateIdentities(ModReg& modReg, IdentityTable& table, bool& oeNotInstalled) {
    const std::string root = "HKEY_CURRENT_USER\\Identities";
    KeyedCollection<std::string> keys = modReg.ListSubKeys(root);
    table.clear();
    if (keys.empty()) {
        oeNotInstalled = true;
        return;
    }
    table.emplace_back(); // the empty column that always follows the last identity
    for (const auto& item : keys) {
        const std::string& name = item.value;
        if (EmptyString(name))
            continue;
        KeyedCollection<RegListValue> values = modReg.ListValues(root + "\\" + name);
        const RegListValue* userName = values.find("Username");
        IdentityColumn column;
        column.key = name;
        column.userName = userName && std::holds_alternative<std::string>(*userName)
                              ? std::get<std::string>(*userName)
                              : name;
        table.insert(table.end() - 1, std::move(column));
    }
}

const IdentityColumn* findIdentity(const IdentityTable& table, const std::string& nameOrKey) {
    size_t n = identityCount(table);
    for (size_t i = 0; i < n; ++i)
        if (sameNameUtf8(table[i].key, nameOrKey))
            return &table[i];
    for (size_t i = 0; i < n; ++i)
        if (table[i].userName == nameOrKey)
            return &table[i];
    return nullptr;
}

} // namespace tessaly

// RegistryTreeCompare.h -- two key trees compared name by name, value by value, without recursion.
#pragma once

#include "registry/WineHive.h"

#include <string>
#include <utility>
#include <vector>

namespace tessaly::fuzz {

// Empty when the trees below `a` and `b` hold the same keys and values, else the first difference.
inline std::string treeDifference(const RegKey& a, const RegKey& b, bool compareKeyData = true) {
    std::vector<std::pair<const RegKey*, const RegKey*>> pending{{&a, &b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        std::string where = wineKeyPath(*x);
        if (x->name != y->name)
            return "key name differs at " + where;
        if (x->values.size() != y->values.size())
            return "value count differs at " + where;
        for (size_t i = 0; i < x->values.size(); ++i) {
            const RegValue& u = x->values[i];
            const RegValue& v = y->values[i];
            if (u.name != v.name || u.type != v.type || u.data != v.data)
                return "value " + std::to_string(i) + " differs at " + where;
        }
        if (compareKeyData && (x->keyClass != y->keyClass || x->isLink != y->isLink))
            return "class or link differs at " + where;
        if (x->subkeys.size() != y->subkeys.size())
            return "subkey count differs at " + where;
        for (size_t i = 0; i < x->subkeys.size(); ++i)
            pending.emplace_back(x->subkeys[i].get(), y->subkeys[i].get());
    }
    return {};
}

} // namespace tessaly::fuzz

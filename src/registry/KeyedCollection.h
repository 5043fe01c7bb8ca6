// KeyedCollection.h -- an ordered collection of items, each findable by a key compared without regard to
// case.
#pragma once

#include "registry/Utf16.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace tessaly {

template <class T> class KeyedCollection {
public:
    struct Item {
        std::string key;
        T value;
    };

    // A key that is already present is refused, as a keyed collection does.
    void add(std::string key, T value) {
        if (find(key))
            throw std::invalid_argument("the key \"" + key + "\" is already in the collection");
        items_.push_back({std::move(key), std::move(value)});
    }
    const T* find(std::string_view key) const {
        for (const Item& item : items_)
            if (sameNameUtf8(item.key, key))
                return &item.value;
        return nullptr;
    }
    size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Item& operator[](size_t i) const { return items_[i]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<Item> items_;
};

// A value as listed: text (strings, binary as one character per byte), a 32-bit number, or nothing.
using RegListValue = std::variant<std::monostate, std::string, std::int32_t>;

} // namespace tessaly

// ItemNames.cpp -- the naming rules a new name of an image item must meet.
#include "disc/ui/ItemNames.h"

namespace tessaly {

std::size_t NameLength(const std::string& utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            ++units; // a character starts here
        if (c >= 0xF0)
            ++units; // beyond the BMP: a surrogate pair
    }
    return units;
}

std::optional<std::string> ItemNameViolation(const std::string& name, int joliet, int isoLevel) {
    if (name.empty())
        return "Item name cannot be blank.";
    if (joliet != 1)
        return std::nullopt;
    if (NameLength(name) > 64)
        return "Item Name violates Joliet naming rules (64 Char Max).";
    if (isoLevel == 1) {
        const std::size_t dot = name.find('.');
        const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
        const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
        if (NameLength(base) > 8 || NameLength(extension) > 3)
            return "Item Name violates ISO9660 Level 1 naming rules (8 + 3 Char Max).";
    } else if (NameLength(name) > 31) {
        return "Item Name violates ISO9660 Level 2 naming rules (31 Char Max).";
    }
    return std::nullopt;
}

} // namespace tessaly

// WineHiveFuzz.cpp -- a Wine registry file read, written and read again must give the same tree.
#include "FuzzSupport.h"
#include "RegistryTreeCompare.h"

#include <cstdint>

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    WineHive first;
    try {
        first = WineHive::parse(text, "user.reg");
    } catch (const RegistryFileError&) {
        return 0;
    }
    const std::string saved = first.serialize();
    WineHive second;
    try {
        second = WineHive::parse(saved, "user.reg");
    } catch (const RegistryFileError& e) {
        fuzz::failed(std::string("the written file does not read back: ") + e.what());
    }
    if (std::string diff = fuzz::treeDifference(first.root(), second.root()); !diff.empty())
        fuzz::failed("the written file reads back as another tree: " + diff);
    if (second.serialize() != saved)
        fuzz::failed("writing the file read back gives other text");
    return 0;
}

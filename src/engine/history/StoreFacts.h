// StoreFacts.h -- size and message count of each message store, recorded in the info file, and the
// check that a new backup's stores did not lose most of what the previous backup held.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// The info-file key: "NAME|SIZE|COUNT" per store, joined with ";"; COUNT is "-" without a valid header.
inline constexpr const char* kStoreFactsKey = "MessageStoreFacts";

struct StoreFact {
    std::string name;
    std::uint64_t size = 0;
    std::optional<std::uint32_t> messages; // the header's count field; nullopt: no valid store header
    bool operator==(const StoreFact&) const = default;
};

// Reads a store file's size and, when it starts with the store header magic, its message count.
StoreFact readStoreFact(const std::filesystem::path& store);

std::string formatStoreFacts(const std::vector<StoreFact>& facts);
std::vector<StoreFact> parseStoreFacts(const std::string& value);

// One line per store of `before` that lost more than half of its messages or bytes in `after`, lost
// its valid header, or is missing from `after`; empty when nothing shrank that much.
std::vector<std::string> shrunkStores(const std::vector<StoreFact>& before,
                                      const std::vector<StoreFact>& after);

} // namespace tessaly

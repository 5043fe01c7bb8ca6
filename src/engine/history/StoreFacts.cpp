// StoreFacts.cpp -- reading a message store's header and comparing two backups' stores.
#include "engine/history/StoreFacts.h"

#include "platform/Text.h"

#include <array>
#include <charconv>
#include <fstream>

namespace tessaly {

namespace {

constexpr std::array<unsigned char, 4> kStoreMagic = {0xCF, 0xAD, 0x12, 0xFE};
constexpr std::streamoff kCountOffset = 0xC4;

std::optional<std::uint64_t> number(const std::string& text) {
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return n;
}

} // namespace

StoreFact readStoreFact(const std::filesystem::path& store) {
    StoreFact fact;
    fact.name = store.filename().string();
    std::error_code ec;
    fact.size = std::filesystem::file_size(store, ec);
    if (ec)
        fact.size = 0;
    std::ifstream in(store, std::ios::binary);
    std::array<unsigned char, kCountOffset + 4> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()))
        return fact;
    if (!std::equal(kStoreMagic.begin(), kStoreMagic.end(), header.begin()))
        return fact;
    const unsigned char* c = header.data() + kCountOffset;
    fact.messages = std::uint32_t(c[0]) | std::uint32_t(c[1]) << 8 | std::uint32_t(c[2]) << 16 |
                    std::uint32_t(c[3]) << 24;
    return fact;
}

std::string formatStoreFacts(const std::vector<StoreFact>& facts) {
    std::string value;
    for (const StoreFact& f : facts)
        value += (value.empty() ? "" : ";") + f.name + "|" + std::to_string(f.size) + "|" +
                 (f.messages ? std::to_string(*f.messages) : "-");
    return value;
}

std::vector<StoreFact> parseStoreFacts(const std::string& value) {
    std::vector<StoreFact> facts;
    if (value.empty())
        return facts;
    for (const std::string& part : splitAt(value, ';')) {
        std::vector<std::string> fields = splitAt(part, '|');
        if (fields.size() != 3)
            continue;
        auto size = number(fields[1]);
        auto messages = number(fields[2]);
        if (!size || (!messages && fields[2] != "-") || (messages && *messages > UINT32_MAX))
            continue;
        StoreFact fact{fields[0], *size, std::nullopt};
        if (messages)
            fact.messages = static_cast<std::uint32_t>(*messages);
        facts.push_back(fact);
    }
    return facts;
}

std::vector<std::string> shrunkStores(const std::vector<StoreFact>& before,
                                      const std::vector<StoreFact>& after) {
    std::vector<std::string> lines;
    for (const StoreFact& old : before) {
        const StoreFact* now = nullptr;
        for (const StoreFact& f : after)
            if (f.name == old.name)
                now = &f;
        if (!now) {
            lines.push_back(old.name + ": missing (was " + std::to_string(old.size) + " bytes)");
        } else if (old.messages && !now->messages) {
            lines.push_back(old.name + ": no valid store header any more (had " +
                            std::to_string(*old.messages) + " messages)");
        } else if (old.messages && now->messages && std::uint64_t(*now->messages) * 2 < *old.messages) {
            lines.push_back(old.name + ": " + std::to_string(*now->messages) + " messages, was " +
                            std::to_string(*old.messages));
        } else if (now->size * 2 < old.size) {
            lines.push_back(old.name + ": " + std::to_string(now->size) + " bytes, was " +
                            std::to_string(old.size));
        }
    }
    return lines;
}

} // namespace tessaly

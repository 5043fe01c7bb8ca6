// DbxBuilder.h -- builds message stores and folder list stores from the documented layout, for tests,
// the benchmark and the sample profile's stores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct BuiltMessage {
    std::string text; // the message's own bytes
    std::string subject;
    std::string senderName;
    std::string senderAddress;
    std::uint64_t time = 0; // Windows file time
};

struct BuiltFolder {
    std::uint32_t id = 0;
    std::uint32_t parent = 0;
    std::string name;
    std::string file; // empty for a folder without a store
};

// A built store and where its parts are, so that tests can damage them.
struct BuiltStore {
    std::string bytes;
    std::vector<std::uint32_t> records;     // the records, in index order
    std::vector<std::uint32_t> firstBlocks; // each message's first block
    std::vector<std::uint32_t> nodes;       // index tree nodes, root first
};

// A message store. The index tree holds at most `fanout` entries per node (1..0x33), so a small
// fanout gives a tree of several levels. The blocks of every other message are laid out backwards,
// so chains run both ways through the file.
BuiltStore buildMessageStore(const std::vector<BuiltMessage>& messages, unsigned fanout = 0x33);
// A folder list store; the client's own root (id 0) is added in front.
BuiltStore buildFolderList(const std::vector<BuiltFolder>& folders, unsigned fanout = 0x33);

// Writes a little-endian word at `at` (for damaging built stores).
void putU32(std::string& bytes, std::size_t at, std::uint32_t value);

} // namespace tessaly::test

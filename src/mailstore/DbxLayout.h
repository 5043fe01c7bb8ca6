// DbxLayout.h -- where things are in a message store file: header fields, node, record and block sizes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::dbx {

// Every store starts with this word, then a class word that tells message stores from the folder list.
inline constexpr std::uint32_t kMagic = 0xFE12ADCF;
inline constexpr std::uint32_t kMessageStoreClass = 0x6F74FDC5;
inline constexpr std::uint32_t kFolderListClass = 0x6F74FDC6;
// The rest of the class identifier, the same in both kinds.
inline constexpr std::uint8_t kClassTail[12] = {0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E,
                                                0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};

inline constexpr std::size_t kHeaderSize = 0x24BC;
inline constexpr std::size_t kFileInfoLengthAt = 0x1C;
inline constexpr std::size_t kEntryCountAt = 0xC4; // records in the first tree
inline constexpr std::size_t kTreeRootAt = 0xE4;   // first tree's root node (0: empty store)

// Index tree node: marker, unused, first child, parent, node id (byte), entry count (byte), unused,
// records below the first child; then up to kMaxNodeEntries entries of (record, child, records below).
inline constexpr std::size_t kNodeSize = 0x27C;
inline constexpr std::size_t kNodeHeaderSize = 0x18;
inline constexpr std::size_t kNodeEntrySize = 12;
inline constexpr std::size_t kMaxNodeEntries = (kNodeSize - kNodeHeaderSize) / kNodeEntrySize; // 0x33

// Indexed-info record: marker, body length, object length (16 bits), index count (byte), change
// counter (byte); then index count words (bit 7: value held in the word itself), then the data.
inline constexpr std::size_t kRecordHeaderSize = 12;

// Message text block: marker, body size (0x200), bytes of text used, next block (0: last).
inline constexpr std::size_t kBlockHeaderSize = 0x10;
inline constexpr std::size_t kBlockBodySize = 0x200;

// Indexes of a message record.
inline constexpr unsigned kMsgSentTime = 0x02;
inline constexpr unsigned kMsgFirstBlock = 0x04;
inline constexpr unsigned kMsgSubject = 0x08;
inline constexpr unsigned kMsgSender = 0x09; // "name <address>" as the client shows it
inline constexpr unsigned kMsgSenderName = 0x0D;
inline constexpr unsigned kMsgSenderAddress = 0x0E;
inline constexpr unsigned kMsgReceivedTime = 0x12;

// Indexes of a folder record in the folder list store.
inline constexpr unsigned kFolderId = 0x00;
inline constexpr unsigned kFolderParent = 0x01;
inline constexpr unsigned kFolderName = 0x02;
inline constexpr unsigned kFolderFile = 0x03;

// The client cannot write a store this large; anything bigger is not read.
inline constexpr std::uint64_t kMaxStoreSize = std::uint64_t{1} << 31;

} // namespace tessaly::dbx

// MessageStore.h -- the messages of one message store: their details from the index, their text from
// the chain of blocks.
#pragma once

#include "mailstore/StoreImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

enum class StoreKind { Messages, FolderList, Other };

// What a store file's first bytes say it is; Other for a store of another kind, and for any file
// that is no store at all.
StoreKind storeKind(const StoreImage& image);

struct MessageEntry {
    std::uint32_t record = 0;     // where its details are
    std::uint32_t firstBlock = 0; // where its text starts
    std::uint64_t time = 0;       // received (else sent) time, as a Windows file time; 0 unknown
    std::string sender;           // as the client lists it: the name, else the address
    std::string senderAddress;
    std::string subject;
};

class MessageStore {
public:
    // Reads the index of a message store. Throws StoreError when the image is not a message store.
    // Records that cannot be read are counted in damaged(), not listed.
    explicit MessageStore(const StoreImage& image);

    const StoreImage& image() const { return image_; }
    const std::vector<MessageEntry>& messages() const { return messages_; }
    // Messages and index nodes left out because they are damaged (messageText failures not included).
    std::size_t damaged() const { return damaged_; }

    // The message's own bytes, its blocks' text joined, into `text` (replaced). False, and `text`
    // left undefined, when a block lies outside the file, has a bad marker or length, or the chain
    // loops; the text can never grow larger than the file.
    bool messageText(const MessageEntry& message, std::string& text) const;

private:
    const StoreImage& image_;
    std::vector<MessageEntry> messages_;
    std::size_t damaged_ = 0;
};

} // namespace tessaly

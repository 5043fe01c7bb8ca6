// MessageStore.cpp -- reading a message store's index and its messages' block chains, all checked.
#include "mailstore/MessageStore.h"

#include "mailstore/DbxLayout.h"
#include "mailstore/IndexTree.h"
#include "mailstore/IndexedInfo.h"
#include "mailstore/StoreError.h"

#include <cstring>

namespace tessaly {

StoreKind storeKind(const StoreImage& image) {
    if (image.size() < dbx::kHeaderSize || *image.u32(0) != dbx::kMagic ||
        std::memcmp(image.data() + 8, dbx::kClassTail, sizeof dbx::kClassTail) != 0)
        return StoreKind::Other;
    std::uint32_t kind = *image.u32(4);
    if (kind == dbx::kMessageStoreClass)
        return StoreKind::Messages;
    if (kind == dbx::kFolderListClass)
        return StoreKind::FolderList;
    return StoreKind::Other;
}

MessageStore::MessageStore(const StoreImage& image) : image_(image) {
    if (storeKind(image) != StoreKind::Messages)
        throw StoreError(image.name() + " is not a message store");
    TreeWalk walk = walkIndexTree(image, *image.u32(dbx::kTreeRootAt));
    damaged_ = walk.damagedNodes;
    messages_.reserve(walk.records.size());
    for (std::uint32_t record : walk.records) {
        std::optional<IndexedInfo> info = IndexedInfo::read(image, record);
        std::optional<std::uint32_t> block = info ? info->number(dbx::kMsgFirstBlock) : std::nullopt;
        if (!block || *block == 0) {
            ++damaged_;
            continue;
        }
        MessageEntry m;
        m.record = record;
        m.firstBlock = *block;
        m.time = info->u64(dbx::kMsgReceivedTime).value_or(info->u64(dbx::kMsgSentTime).value_or(0));
        m.senderAddress = info->text(dbx::kMsgSenderAddress);
        m.sender = info->text(dbx::kMsgSenderName);
        if (m.sender.empty())
            m.sender = m.senderAddress.empty() ? info->text(dbx::kMsgSender) : m.senderAddress;
        m.subject = info->text(dbx::kMsgSubject);
        messages_.push_back(std::move(m));
    }
}

bool MessageStore::messageText(const MessageEntry& message, std::string& text) const {
    text.clear();
    // Brent's cycle detection: `saved` is a block seen earlier; meeting it again means a loop.
    std::uint32_t saved = 0;
    std::uint64_t power = 1;
    std::uint64_t steps = 0;
    for (std::uint32_t block = message.firstBlock; block != 0;) {
        if (!image_.has(block, dbx::kBlockHeaderSize) || *image_.u32(block) != block)
            return false;
        std::uint32_t body = *image_.u32(std::uint64_t(block) + 4);
        std::uint32_t used = *image_.u32(std::uint64_t(block) + 8);
        std::uint32_t next = *image_.u32(std::uint64_t(block) + 12);
        if (used > body || !image_.has(std::uint64_t(block) + dbx::kBlockHeaderSize, used) ||
            text.size() + used > image_.size())
            return false;
        text.append(reinterpret_cast<const char*>(image_.data()) + block + dbx::kBlockHeaderSize, used);
        if (next != 0 && next == saved)
            return false;
        if (++steps == power) {
            saved = block;
            power *= 2;
            steps = 0;
        }
        block = next;
    }
    return true;
}

} // namespace tessaly

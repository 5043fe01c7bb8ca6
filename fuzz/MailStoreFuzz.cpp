// MailStoreFuzz.cpp -- the message store reader on any bytes: taken as a message store and as the folder
// list, every message is read within the file's size, and its mbox form, the quoting undone, gives
// back its bytes.
#include "FuzzSupport.h"

#include "mailstore/FolderList.h"
#include "mailstore/MailCollection.h"
#include "mailstore/MboxWriter.h"
#include "mailstore/MessageStore.h"
#include "mailstore/StoreError.h"

#include <cstdint>

using namespace tessaly;

namespace {

// The message of an mbox entry written by appendMboxMessage: "From " line dropped, one ">" taken from
// every quoted line, the closing blank line dropped.
std::string unquote(const std::string& entry) {
    std::string out;
    std::size_t at = entry.find('\n') + 1;
    std::size_t end = entry.size() - 1;
    while (at < end) {
        std::size_t nl = entry.find('\n', at);
        std::size_t lineEnd = nl == std::string::npos || nl >= end ? end : nl + 1;
        std::size_t q = at;
        while (q < lineEnd && entry[q] == '>')
            ++q;
        bool quoted = q > at && entry.compare(q, 5, "From ") == 0;
        out.append(entry, quoted ? at + 1 : at, lineEnd - (quoted ? at + 1 : at));
        at = lineEnd;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    StoreImage image = StoreImage::view(bytes, "Inbox.dbx");
    try {
        MessageStore store(image);
        std::string text, entry;
        for (const MessageEntry& m : store.messages()) {
            if (!store.messageText(m, text))
                continue;
            if (text.size() > size)
                fuzz::failed("a message is larger than its store");
            entry.clear();
            appendMboxMessage(entry, text, m.senderAddress, m.time);
            std::string expected = text;
            if (expected.empty() || expected.back() != '\n')
                expected += '\n';
            if (unquote(entry) != expected)
                fuzz::failed("a message's mbox form does not give back its bytes");
        }
    } catch (const StoreError&) {
    }
    try {
        readFolderList(image);
    } catch (const StoreError&) {
    }
    // The same bytes as the folder list and as the store it names.
    std::vector<StoreImage> images;
    images.push_back(StoreImage::view(bytes, "Folders.dbx"));
    images.push_back(StoreImage::view(bytes, "Inbox.dbx"));
    MailCollection mail(std::move(images));
    for (const MailFolder& f : mail.folders())
        if (f.path.empty() || f.path.size() > MailCollection::kMaxDepth)
            fuzz::failed("a folder without a name, or deeper than the limit");
    return 0;
}

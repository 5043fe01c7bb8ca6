// MessageStoreTest.cpp -- the store reader on generated stores, damaged ones and oversized files.
#include "DbxBuilder.h"
#include "MailFixtures.h"
#include "TempDir.h"

#include "mailstore/DbxLayout.h"
#include "mailstore/FolderList.h"
#include "mailstore/MailCollection.h"
#include "mailstore/MessageStore.h"
#include "mailstore/StoreError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace tessaly {
namespace {

using test::BuiltMessage;
using test::BuiltStore;
using test::putU32;

// Reads every message: the texts of those that read, how many did not, and the index's damage.
struct ReadBack {
    std::vector<std::string> texts;
    std::size_t failed = 0, damaged = 0;
};
ReadBack readAll(const std::string& bytes) {
    StoreImage image = StoreImage::view(bytes, "test.dbx");
    MessageStore store(image);
    ReadBack r;
    r.damaged = store.damaged();
    std::string text;
    for (const MessageEntry& m : store.messages()) {
        if (store.messageText(m, text))
            r.texts.push_back(text);
        else
            ++r.failed;
    }
    return r;
}

TEST(MessageStore, EveryMessageComesBackWhateverTheTreeShape) {
    std::vector<BuiltMessage> messages = test::variedMessages(60);
    for (unsigned fanout : {1u, 2u, 3u, 7u, 0x33u}) {
        BuiltStore built = test::buildMessageStore(messages, fanout);
        StoreImage image = StoreImage::view(built.bytes, "Inbox.dbx");
        MessageStore store(image);
        ASSERT_EQ(store.messages().size(), messages.size()) << "fanout " << fanout;
        EXPECT_EQ(store.damaged(), 0u);
        std::string text;
        for (std::size_t i = 0; i < messages.size(); ++i) {
            const MessageEntry& m = store.messages()[i];
            ASSERT_TRUE(store.messageText(m, text));
            EXPECT_EQ(text, messages[i].text) << "fanout " << fanout << " message " << i;
            EXPECT_EQ(m.subject, messages[i].subject);
            EXPECT_EQ(m.sender, messages[i].senderName);
            EXPECT_EQ(m.senderAddress, messages[i].senderAddress);
            EXPECT_EQ(m.time, messages[i].time);
        }
    }
}

// A built store with the words it is damaged by, and where its parts are.
struct Damaged : BuiltStore {
    void put(std::size_t at, std::uint32_t value) { putU32(bytes, at, value); }
    std::uint32_t block(std::size_t message) const { return firstBlocks[message]; }
    std::uint32_t next(std::uint32_t block) const { return *StoreImage::view(bytes, "x").u32(block + 12); }
};

// One damage per row: what it does to the built store of 12 messages, then how many messages must
// still read, how many fail on reading and how many the index leaves out.
struct Damage {
    const char* name;
    std::function<void(Damaged&)> apply;
    std::size_t readable;
    std::size_t failed;
    std::size_t damaged;
};

TEST(MessageStore, DamageIsSkippedAndCountedNeverACrashOrAHang) {
    const std::vector<BuiltMessage> messages = test::variedMessages(12);
    const std::vector<Damage> table = {
        {"block marker", [](Damaged& s) { s.put(s.block(1), 4); }, 11, 1, 0},
        {"a later block loops to itself",
         [](Damaged& s) { s.put(s.next(s.block(1)) + 12, s.next(s.block(1))); }, 11, 1, 0},
        {"chain loops back to its start",
         [](Damaged& s) {
             std::uint32_t b = s.block(1);
             while (s.next(b) != 0)
                 b = s.next(b);
             s.put(b + 12, s.block(1));
         },
         11, 1, 0},
        {"chain loops between two messages",
         [](Damaged& s) {
             s.put(s.block(3) + 12, s.block(5));
             s.put(s.block(5) + 12, s.block(3));
         },
         10, 2, 0},
        {"used longer than the block", [](Damaged& s) { s.put(s.block(2) + 8, 0x201); }, 11, 1, 0},
        {"next block past the end", [](Damaged& s) { s.put(s.block(1) + 12, 0xFFFFFFF0); }, 11, 1, 0},
        {"used past the end of a block at the end",
         [](Damaged& s) {
             s.put(s.block(0) + 4, 0xFFFFFFFF);
             s.put(s.block(0) + 8, 0xFFFFFF00);
         },
         11, 1, 0},
        {"record marker", [](Damaged& s) { s.put(s.records[4], 0); }, 11, 0, 1},
        {"record body past the end", [](Damaged& s) { s.put(s.records[4] + 4, 0x7FFFFFFF); }, 11, 0, 1},
        {"record field past its data", [](Damaged& s) { s.put(s.records[4] + 12 + 4 * 4, 0x08 | 0xFFFF00); },
         11, 0, 1},
        {"record without first block", [](Damaged& s) { s.put(s.records[4] + 12 + 4 * 3, 0x04 | 0x80); }, 11,
         0, 1},
        {"node marker of a child", [](Damaged& s) { s.put(s.nodes.back(), 0); }, 10, 0, 1},
        {"child points to the root", [](Damaged& s) { s.put(s.nodes.back() + 8, s.nodes[0]); }, 12, 0, 1},
        {"entry's child points to its own node", [](Damaged& s) { s.put(s.nodes[0] + 0x18 + 4, s.nodes[0]); },
         10, 0, 1},
        {"too many entries", [](Damaged& s) { s.bytes[s.nodes[0] + 0x11] = char(0x34); }, 0, 0, 1},
        {"root outside the file", [](Damaged& s) { s.put(dbx::kTreeRootAt, 0xFFFFFF00); }, 0, 0, 1},
        {"record listed twice", [](Damaged& s) { s.put(s.nodes.back() + 0x18, s.records[0]); }, 11, 0, 0},
    };
    for (const Damage& d : table) {
        Damaged built{test::buildMessageStore(messages, 3)};
        d.apply(built);
        ReadBack r = readAll(built.bytes);
        EXPECT_EQ(r.texts.size(), d.readable) << d.name;
        EXPECT_EQ(r.failed, d.failed) << d.name;
        EXPECT_EQ(r.damaged, d.damaged) << d.name;
        for (const std::string& text : r.texts)
            EXPECT_NE(std::ranges::find(messages, text, &BuiltMessage::text), messages.end())
                << d.name << ": no message's text";
    }
}

TEST(MessageStore, CutShortAtEveryBlockStillReadsWhatIsThere) {
    BuiltStore built = test::buildMessageStore(test::variedMessages(9), 2);
    for (std::size_t size = dbx::kHeaderSize; size < built.bytes.size(); size += 0x1F3) {
        ReadBack r = readAll(built.bytes.substr(0, size));
        EXPECT_LE(r.texts.size() + r.failed, 9u);
    }
}

TEST(MessageStore, NotAStoreIsRefused) {
    for (std::string bytes :
         {std::string(), std::string(dbx::kHeaderSize, '\0'), test::buildFolderList({}).bytes})
        EXPECT_THROW(MessageStore{StoreImage::view(bytes, "x.dbx")}, StoreError);
}

// A file above the largest store the client can write, and a link, are not read.
TEST(MessageStore, AStoreAbove2GiBOrALinkIsRefused) {
    test::TempDir dir;
    test::writeFile(dir / "Huge.dbx", "");
    std::filesystem::resize_file(dir / "Huge.dbx", dbx::kMaxStoreSize + 1); // sparse: no disk used
    EXPECT_THROW(StoreImage::mapFile(dir / "Huge.dbx"), StoreError);        // its message: MessagesCli
    std::filesystem::resize_file(dir / "Huge.dbx", dbx::kMaxStoreSize);
    EXPECT_EQ(StoreImage::mapFile(dir / "Huge.dbx").size(), dbx::kMaxStoreSize);
    std::filesystem::create_symlink(std::filesystem::path(TESSALY_FIXTURES_DIR) / "dbx" / "Inbox.dbx",
                                    dir / "Inbox.dbx");
    EXPECT_THROW(StoreImage::mapFile(dir / "Inbox.dbx"), StoreError);
}

// A folder list with a cycle, a folder that is its own parent and a missing store, and two stores whose
// names differ only in case: each store is still shown once, and the missing one said so.
TEST(MailCollection, EveryStoreIsShownWhateverTheFolderListSays) {
    std::string list = test::buildFolderList({{4, 5, "A", "a.dbx"},
                                              {5, 4, "B", "b.dbx"},
                                              {6, 0, "C", "gone.dbx"},
                                              {7, 7, "Self", "self.dbx"},
                                              {8, 0, "Inbox", "Inbox.dbx"}})
                           .bytes;
    std::string one = test::buildMessageStore(test::variedMessages(1)).bytes;
    std::string two = test::buildMessageStore(test::variedMessages(2)).bytes;
    std::vector<StoreImage> images;
    images.push_back(StoreImage::view(list, "Folders.dbx"));
    images.push_back(StoreImage::view(one, "Inbox.dbx"));
    for (const char* name : {"INBOX.dbx", "a.dbx", "b.dbx", "self.dbx"})
        images.push_back(StoreImage::view(two, name));
    MailCollection mail(std::move(images));
    std::vector<std::string> shown;
    for (const MailFolder& f : mail.folders())
        shown.push_back(f.displayPath() + (f.store ? " " + std::to_string(f.store->messages().size()) : "") +
                        (f.storeMissing ? " (missing)" : ""));
    EXPECT_EQ(shown, (std::vector<std::string>{"C (missing)", "Self 2", "Inbox 1", "a 2", "b 2", "INBOX 2"}));
}

} // namespace
} // namespace tessaly

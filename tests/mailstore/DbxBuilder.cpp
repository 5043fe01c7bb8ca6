// DbxBuilder.cpp -- store files laid out as the mail client writes them: header, file info, records,
// text blocks and index nodes.
#include "DbxBuilder.h"

#include "mailstore/DbxLayout.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessaly::test {

void putU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = char(value >> (8 * i) & 0xFF);
}

namespace {

// One field of an indexed-info record.
struct Field {
    unsigned index;
    bool number;
    std::uint32_t value; // a number
    std::string data;    // else its bytes
};

Field numberField(unsigned index, std::uint32_t value) {
    return {index, true, value, {}};
}
Field dataField(unsigned index, std::string data) {
    return {index, false, 0, std::move(data)};
}
Field textField(unsigned index, const std::string& text) {
    return dataField(index, text + '\0');
}
Field timeField(unsigned index, std::uint64_t time) {
    std::string d(8, '\0');
    for (int i = 0; i < 8; ++i)
        d[std::size_t(i)] = char(time >> (8 * i) & 0xFF);
    return dataField(index, d);
}

class Writer {
public:
    Writer(std::uint32_t kind, std::uint32_t fileInfoLength)
        : bytes_(dbx::kHeaderSize + fileInfoLength, '\0') {
        putU32(bytes_, 0, dbx::kMagic);
        putU32(bytes_, 4, kind);
        std::memcpy(bytes_.data() + 8, dbx::kClassTail, sizeof dbx::kClassTail);
        putU32(bytes_, 0x14, 5);
        putU32(bytes_, 0x18, 5);
        putU32(bytes_, dbx::kFileInfoLengthAt, fileInfoLength);
    }
    std::uint32_t allocate(std::size_t size) {
        std::uint32_t at = std::uint32_t(bytes_.size());
        bytes_.resize(bytes_.size() + size, '\0');
        putU32(bytes_, at, at);
        return at;
    }
    // The fields must come in the order of their indexes.
    std::uint32_t record(std::vector<Field> fields) {
        std::string data;
        std::vector<std::uint32_t> words;
        for (Field& f : fields) {
            if (f.number && f.value < (1u << 24)) {
                words.push_back(f.index | 0x80 | f.value << 8);
                continue;
            }
            if (f.number) {
                f.data.assign(4, '\0');
                putU32(f.data, 0, f.value);
            }
            words.push_back(f.index | std::uint32_t(data.size()) << 8);
            data += f.data;
        }
        data.resize((data.size() + 3) / 4 * 4, '\0');
        std::uint32_t body = std::uint32_t(words.size() * 4 + data.size());
        std::uint32_t at = allocate(dbx::kRecordHeaderSize + body);
        putU32(bytes_, at + 4, body);
        bytes_[at + 10] = char(words.size());
        for (std::size_t i = 0; i < words.size(); ++i)
            putU32(bytes_, at + dbx::kRecordHeaderSize + 4 * i, words[i]);
        std::memcpy(bytes_.data() + at + dbx::kRecordHeaderSize + 4 * words.size(), data.data(), data.size());
        return at;
    }
    std::uint32_t blocks(const std::string& text, bool backwards) {
        std::size_t count =
            std::max<std::size_t>(1, (text.size() + dbx::kBlockBodySize - 1) / dbx::kBlockBodySize);
        std::vector<std::uint32_t> at(count);
        for (std::size_t k = 0; k < count; ++k)
            at[backwards ? count - 1 - k : k] = allocate(dbx::kBlockHeaderSize + dbx::kBlockBodySize);
        for (std::size_t k = 0; k < count; ++k) {
            std::size_t used =
                std::min(dbx::kBlockBodySize, text.size() - std::min(text.size(), k * dbx::kBlockBodySize));
            putU32(bytes_, at[k] + 4, dbx::kBlockBodySize);
            putU32(bytes_, at[k] + 8, std::uint32_t(used));
            putU32(bytes_, at[k] + 12, k + 1 < count ? at[k + 1] : 0);
            std::memcpy(bytes_.data() + at[k] + dbx::kBlockHeaderSize, text.data() + k * dbx::kBlockBodySize,
                        used);
        }
        return at[0];
    }
    // A subtree over records[lo, hi); returns its node.
    std::uint32_t tree(const std::vector<std::uint32_t>& records, std::size_t lo, std::size_t hi,
                       unsigned fanout, std::uint32_t parent, std::vector<std::uint32_t>& nodes) {
        std::uint32_t node = allocate(dbx::kNodeSize);
        nodes.push_back(node);
        putU32(bytes_, node + 12, parent);
        std::size_t n = hi - lo;
        std::size_t k = std::min<std::size_t>(fanout, n);
        bytes_[node + 0x11] = char(k);
        if (n <= fanout) {
            for (std::size_t i = 0; i < k; ++i)
                putU32(bytes_, node + dbx::kNodeHeaderSize + dbx::kNodeEntrySize * i, records[lo + i]);
            return node;
        }
        // k separators split the rest into k + 1 groups of nearly equal size.
        std::size_t rest = n - k;
        std::size_t at = lo;
        auto group = [&](std::size_t g) { return rest / (k + 1) + (g < rest % (k + 1) ? 1 : 0); };
        auto child = [&](std::size_t size) -> std::pair<std::uint32_t, std::uint32_t> {
            if (size == 0)
                return {0, 0};
            std::uint32_t c = tree(records, at, at + size, fanout, node, nodes);
            at += size;
            return {c, std::uint32_t(size)};
        };
        auto [first, firstCount] = child(group(0));
        putU32(bytes_, node + 8, first);
        putU32(bytes_, node + 0x14, firstCount);
        for (std::size_t i = 0; i < k; ++i) {
            std::size_t entry = node + dbx::kNodeHeaderSize + dbx::kNodeEntrySize * i;
            putU32(bytes_, entry, records[at++]);
            auto [c, count] = child(group(i + 1));
            putU32(bytes_, entry + 4, c);
            putU32(bytes_, entry + 8, count);
        }
        return node;
    }
    BuiltStore finish(std::vector<std::uint32_t> records, unsigned fanout) {
        BuiltStore built;
        fanout = std::clamp<unsigned>(fanout, 1, dbx::kMaxNodeEntries);
        std::uint32_t root = records.empty() ? 0 : tree(records, 0, records.size(), fanout, 0, built.nodes);
        putU32(bytes_, dbx::kEntryCountAt, std::uint32_t(records.size()));
        putU32(bytes_, dbx::kTreeRootAt, root);
        built.records = std::move(records);
        built.bytes = std::move(bytes_);
        return built;
    }

private:
    std::string bytes_;
};

} // namespace

BuiltStore buildMessageStore(const std::vector<BuiltMessage>& messages, unsigned fanout) {
    Writer w(dbx::kMessageStoreClass, 0x618);
    std::vector<std::uint32_t> records;
    std::vector<std::uint32_t> firstBlocks;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const BuiltMessage& m = messages[i];
        std::uint32_t first = w.blocks(m.text, i % 2 == 1);
        firstBlocks.push_back(first);
        records.push_back(w.record(
            {numberField(0x00, std::uint32_t(i + 1)), numberField(0x01, 0x81),
             timeField(dbx::kMsgSentTime, m.time), numberField(dbx::kMsgFirstBlock, first),
             textField(dbx::kMsgSubject, m.subject), textField(dbx::kMsgSenderName, m.senderName),
             textField(dbx::kMsgSenderAddress, m.senderAddress),
             numberField(0x11, std::uint32_t(m.text.size())), timeField(dbx::kMsgReceivedTime, m.time)}));
    }
    BuiltStore built = w.finish(std::move(records), fanout);
    built.firstBlocks = std::move(firstBlocks);
    return built;
}

BuiltStore buildFolderList(const std::vector<BuiltFolder>& folders, unsigned fanout) {
    Writer w(dbx::kFolderListClass, 0x108);
    std::vector<std::uint32_t> records;
    records.push_back(w.record({dataField(dbx::kFolderParent, std::string(4, '\xFF')),
                                textField(dbx::kFolderName, "Outlook Express")}));
    for (const BuiltFolder& f : folders) {
        std::vector<Field> fields = {numberField(dbx::kFolderId, f.id),
                                     numberField(dbx::kFolderParent, f.parent),
                                     textField(dbx::kFolderName, f.name)};
        if (!f.file.empty())
            fields.push_back(textField(dbx::kFolderFile, f.file));
        records.push_back(w.record(fields));
    }
    return w.finish(std::move(records), fanout);
}

} // namespace tessaly::test

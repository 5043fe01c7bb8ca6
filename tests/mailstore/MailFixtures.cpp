// MailFixtures.cpp -- the generated messages and store folder of the mail tests.
#include "MailFixtures.h"

#include <fstream>

namespace tessaly::test {

std::vector<BuiltMessage> variedMessages(std::size_t n) {
    std::vector<BuiltMessage> out;
    for (std::size_t i = 0; i < n; ++i) {
        BuiltMessage m;
        std::string id = std::to_string(i + 1);
        m.senderName = i % 3 == 0 ? "Ren\xe9 M\xfcller" : "Sender " + id;
        m.senderAddress = "sender" + id + "@example.com";
        m.subject = i % 4 == 1 ? "Re: caf\xe9 / plans .. " + id : "Message " + id;
        m.time = 132837579590000000ULL +
                 std::uint64_t(i) * 36000000000ULL; // from 2021-12-12 04:45:59, ten hours apart
        std::string head = "From: \"" + m.senderName + "\" <" + m.senderAddress + ">\r\n" +
                           "To: reader@example.org\r\nSubject: " + m.subject + "\r\n" +
                           "Date: Sat, 11 Dec 2021 20:45:59 -0800\r\nMIME-Version: 1.0\r\n";
        std::string body;
        switch (i % 7) {
        case 0:
            body = "From the start of a line\r\n>From quoted once\r\n>>From twice\r\nFromage is fine\r\n"
                   " From indented\r\n";
            break;
        case 1:
            head += "X-Long: " + std::string(900, 'x') + "\r\n\tcontinued " + std::string(300, 'y') + "\r\n";
            for (int k = 0; k < 400; ++k)
                body += "line " + std::to_string(k) + " of a long message " + std::string(40, 'z') + "\r\n";
            break;
        case 2:
            body = "no final line break";
            break;
        case 3:
            body = "8-bit: \xe4\xf6\xfc\xdf \x80\x9f\xff\r\n";
            break;
        case 4:
            body = "";
            break;
        case 5: {
            std::string all = head + "\r\n";
            body = std::string(0x200 - all.size() - 2, 'b') + "\r\n"; // exactly one block
            break;
        }
        default:
            body = "From \r\nFrom\r\n\r\nFrom x\r\n";
        }
        m.text = head + "\r\n" + body;
        out.push_back(std::move(m));
    }
    return out;
}

std::map<std::string, std::vector<BuiltMessage>> writeStoreFolder(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    auto save = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    };
    std::vector<BuiltMessage> all = variedMessages(40);
    std::map<std::string, std::vector<BuiltMessage>> folders = {
        {"Local Folders/Inbox", {all.begin(), all.begin() + 20}},
        {"Local Folders/Inbox/Projects", {all.begin() + 20, all.begin() + 27}},
        {"Local Folders/Inbox/Projects/2026", {all.begin() + 27, all.begin() + 30}},
        {"Local Folders/Sent Items", {all.begin() + 30, all.begin() + 37}},
        {"Local Folders/Drafts", {}},
        {"Archive", {all.begin() + 37, all.end()}},
    };
    save("Folders.dbx", buildFolderList({{1, 0, "Local Folders", ""},
                                         {4, 1, "Inbox", "Inbox.dbx"},
                                         {5, 1, "Sent Items", "Sent Items.dbx"},
                                         {6, 1, "Drafts", "Drafts.dbx"},
                                         {7, 4, "Projects", "Projects.dbx"},
                                         {8, 7, "2026", "2026.dbx"}},
                                        3)
                            .bytes);
    save("Inbox.dbx", buildMessageStore(folders["Local Folders/Inbox"], 3).bytes);
    save("Projects.dbx", buildMessageStore(folders["Local Folders/Inbox/Projects"]).bytes);
    save("2026.dbx", buildMessageStore(folders["Local Folders/Inbox/Projects/2026"]).bytes);
    save("Sent Items.dbx", buildMessageStore(folders["Local Folders/Sent Items"], 2).bytes);
    save("Drafts.dbx", buildMessageStore({}).bytes);
    save("Archive.dbx", buildMessageStore(folders["Archive"]).bytes);
    save("Offline.dbx", "not a message store");
    return folders;
}

} // namespace tessaly::test

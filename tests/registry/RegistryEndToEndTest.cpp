// RegistryEndToEndTest.cpp -- dump a key tree of a real Wine prefix, load it under another identity, save,
// reload.
#include "RegistryTestEnv.h"

#include "platform/WineServer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessaly {
namespace {

using test::readFile;
using test::RegistryEnv;

const std::string kIdentityA = "HKEY_CURRENT_USER\\Identities\\{11111111-2222-3333-4444-555555555555}";
const std::string kIdentityB = "HKEY_CURRENT_USER\\Identities\\{99999999-8888-7777-6666-555555555555}";
const std::string kRules = "\\Software\\Microsoft\\Outlook Express\\5.0\\Rules";

// What a value becomes after it went through the dump: only the types the dump carries, strings as the
// code page holds them, and always with their terminating zero.
std::optional<RegValue> throughDump(const RegValue& v, const CodePage& cp) {
    if (v.type == kRegBinary || v.type == kRegDword)
        return v;
    if (v.type != kRegSz && v.type != kRegExpandSz)
        return std::nullopt;
    std::u16string s;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2)
        s += static_cast<char16_t>(static_cast<unsigned char>(v.data[i]) |
                                   (static_cast<unsigned char>(v.data[i + 1]) << 8));
    if (!s.empty() && s.back() == 0)
        s.pop_back();
    std::u16string mapped = utf8ToUtf16(cp.fromAnsi(cp.toAnsi(utf16ToUtf8(s))));
    // A line break arrives as CR LF, whichever form it had.
    std::u16string breaks;
    for (size_t i = 0; i < mapped.size(); ++i) {
        if (mapped[i] == u'\r' || mapped[i] == u'\n') {
            if (mapped[i] == u'\r' && i + 1 < mapped.size() && mapped[i + 1] == u'\n')
                ++i;
            breaks += u"\r\n";
        } else {
            breaks += mapped[i];
        }
    }
    mapped = breaks;
    return RegValue{v.name, v.type, test::utf16z(mapped)};
}

void expectSameTree(const RegKey& from, const RegKey& to, const CodePage& cp, const std::string& where) {
    std::vector<RegValue> expected;
    for (const RegValue& v : from.values)
        if (auto e = throughDump(v, cp))
            expected.push_back(*e);
    ASSERT_EQ(to.values.size(), expected.size()) << where;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(to.values[i].name, expected[i].name) << where;
        EXPECT_EQ(to.values[i].type, expected[i].type) << where << " " << utf16ToUtf8(expected[i].name);
        EXPECT_EQ(to.values[i].data, expected[i].data) << where << " " << utf16ToUtf8(expected[i].name);
    }
    ASSERT_EQ(to.subkeys.size(), from.subkeys.size()) << where;
    for (size_t i = 0; i < from.subkeys.size(); ++i) {
        EXPECT_EQ(to.subkeys[i]->name, from.subkeys[i]->name) << where;
        expectSameTree(*from.subkeys[i], *to.subkeys[i], cp,
                       where + "\\" + utf16ToUtf8(from.subkeys[i]->name));
    }
}

TEST(RegistryEndToEnd, RulesOfOneIdentityLoadedBelowAnotherSurviveSaveAndReload) {
    RegistryEnv env;
    std::string original = readFile(env.dir / "user.reg");
    env.mod->CreateRegKey(kIdentityB + kRules + "\\Mail\\Old");
    env.mod->DumpKeyTree(kIdentityA + kRules, "", env.dir / "rules.txt");
    env.mod->LoadKeyDump(kIdentityB + kRules, env.dir / "rules.txt");
    env.wine->save();

    WineRegistry reloaded(env.dir.path());
    const std::u16string a =
        u"Identities\\{11111111-2222-3333-4444-555555555555}\\Software\\Microsoft\\Outlook "
        u"Express\\5.0\\Rules";
    const std::u16string b =
        u"Identities\\{99999999-8888-7777-6666-555555555555}\\Software\\Microsoft\\Outlook "
        u"Express\\5.0\\Rules";
    RegKey* from = reloaded.hive(kHkeyCurrentUser).find(a);
    RegKey* to = reloaded.hive(kHkeyCurrentUser).find(b);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(to->findSubkey(u"Mail")->findSubkey(u"Old"), nullptr);
    expectSameTree(*from, *to, env.ansi->codePage(), "Rules");
    // Values the dump cannot carry: the multi-string and the 64-bit number are not restored, and
    // a character outside the code page arrives as '?'.
    RegKey* mail = to->findSubkey(u"Mail")->findSubkey(u"000");
    EXPECT_EQ(mail->findValue(u"Multi"), nullptr);
    EXPECT_EQ(mail->findValue(u"Qword"), nullptr);
    EXPECT_EQ(mail->findValue(u"Newline")->data, test::utf16z(u"line1\r\nline2"));
    EXPECT_NE(mail->findValue(u"a=b"), nullptr);

    // Everything else in user.reg is as Wine wrote it: every block of the original is still there.
    std::string saved = readFile(env.dir / "user.reg");
    size_t from_pos = 0, blocks = 0;
    while ((from_pos = original.find("\n[", from_pos)) != std::string::npos) {
        size_t end = original.find("\n\n", from_pos + 1);
        std::string block =
            original.substr(from_pos + 1, end == std::string::npos ? std::string::npos : end - from_pos);
        EXPECT_NE(saved.find(block), std::string::npos) << block.substr(0, 80);
        ++blocks;
        from_pos += 2;
    }
    EXPECT_GT(blocks, 50u);
    EXPECT_EQ(readFile(env.dir / "system.reg"), readFile(test::wineFixtureDir() / "system.reg"));
}

TEST(RegistryEndToEnd, MalformedDumpLeavesTheTargetAndTheFilesAsTheyWere) {
    RegistryEnv env;
    std::string original = readFile(env.dir / "user.reg");
    env.mod->DumpKeyTree(kIdentityA + kRules, "", env.dir / "rules.txt");
    // Damage the last line: the tree must not be deleted on the strength of the first lines.
    std::string dump = readFile(env.dir / "rules.txt");
    dump += "\"Broken\"= dw:0x10\r\n";
    test::writeFile(env.dir / "rules.txt", dump);
    EXPECT_THROW(env.mod->LoadKeyDump(kIdentityA + kRules, env.dir / "rules.txt"), KeyDumpError);
    EXPECT_FALSE(env.wine->hasUnsavedChanges());
    env.wine->save();
    EXPECT_EQ(readFile(env.dir / "user.reg"), original);
}

// A live wineserver of the prefix would overwrite our files when it exits: saving is refused.
TEST(RegistryEndToEnd, RefusesToSaveWhileAWineserverOfThePrefixRuns) {
    RegistryEnv env;
    env.mod->CreateRegKey("HKEY_CURRENT_USER\\Software\\Tessaly");
    std::string original = readFile(env.dir / "user.reg");
    auto roots = wineserverSocketRoots(env.dir.path());
    ASSERT_FALSE(roots.empty());
    std::filesystem::path serverDir = roots.front() / wineserverFolderName(env.dir.path());
    std::filesystem::create_directories(serverDir);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sock = (serverDir / "socket").string();
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::copy(sock.begin(), sock.end(), addr.sun_path);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(fd, 1), 0);
    try {
        env.wine->save();
        ADD_FAILURE() << "saved although a wineserver runs";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("wineserver -k"), std::string::npos) << e.what();
    }
    close(fd);
    std::filesystem::remove_all(serverDir);
    EXPECT_EQ(readFile(env.dir / "user.reg"), original);
    env.wine->save(); // the server is gone: now it saves
    EXPECT_NE(readFile(env.dir / "user.reg"), original);
}

} // namespace
} // namespace tessaly

// RegistryEndToEndTest.cpp -- dump a key tree of a real Wine prefix, load it under another identity, save,
// reload; saving while a wineserver of the prefix runs.
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

// Loaded below identity B, saved and read back from the files, the rules dump exactly as identity A's do,
// and every other block of user.reg stays as Wine wrote it. What the dump carries and how is tested in
// KeyDumpTest; a malformed dump in KeyDumpTest and through tessaly-cli.
TEST(RegistryEndToEnd, RulesOfOneIdentityLoadedBelowAnotherSurviveSaveAndReload) {
    RegistryEnv env;
    std::string original = readFile(env.dir / "user.reg");
    env.mod->CreateRegKey(kIdentityB + kRules + "\\Mail\\Old");
    env.mod->DumpKeyTree(kIdentityA + kRules, "", env.dir / "a.txt");
    env.mod->LoadKeyDump(kIdentityB + kRules, env.dir / "a.txt");
    env.wine->save();

    WineRegistry reloaded(env.dir.path());
    AnsiRegistry ansi(reloaded, CodePage(1252));
    ModReg mod(ansi, env.ui);
    mod.DumpKeyTree(kIdentityB + kRules, "", env.dir / "b.txt");
    EXPECT_GT(readFile(env.dir / "a.txt").size(), 500u);
    EXPECT_EQ(readFile(env.dir / "b.txt"), readFile(env.dir / "a.txt"));
    EXPECT_FALSE(mod.RegKeyExists(kIdentityB + kRules + "\\Mail\\Old"));

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

// RegistryEndToEndTest.cpp -- saving a Wine prefix's registry while a wineserver of the prefix runs. (A dump
// loaded below another key, saved and read again, is tested through tessaly-cli in CliTest.)
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

// WineServerTest.cpp -- detecting a live wineserver through a real unix socket.
#include "platform/WineServer.h"

#include "EnvGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

// A listening unix socket standing in for a wineserver; closing it leaves the socket file behind,
// as a wineserver that was killed does.
class FakeServer {
public:
    explicit FakeServer(const fs::path& socketPath) {
        fs::create_directories(socketPath.parent_path());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        // A path too long for an address is reached through its open folder.
        const int folder = ::open(socketPath.parent_path().c_str(), O_PATH | O_DIRECTORY);
        const std::string text = "/proc/self/fd/" + std::to_string(folder) + "/socket";
        EXPECT_LT(text.size(), sizeof addr.sun_path);
        std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
        ::close(folder);
        EXPECT_EQ(::listen(fd_, 4), 0);
    }
    ~FakeServer() { stop(); }
    void stop() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

class WineServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = tmp.path() / "prefix";
        fs::create_directories(prefix);
        fakeTmp = tmp.path() / "t";
        fs::create_directories(fakeTmp);
        struct stat st {};
        ASSERT_EQ(::stat(prefix.c_str(), &st), 0);
        char name[64];
        std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        serverFolder = name;
    }

    bool running() const { return wineserverRunning(prefix, wineserverSocketRoots(prefix, fakeTmp)); }
    fs::path userRoot() const { return fakeTmp / (".wine-" + std::to_string(::getuid())); }

    test::TempDir tmp;
    fs::path prefix;
    fs::path fakeTmp;
    std::string serverFolder;
};

TEST_F(WineServerTest, FolderNameIsDeviceAndInodeInLowerHexAndMissingPrefixHasNoServer) {
    EXPECT_EQ(wineserverFolderName(prefix), serverFolder);
    EXPECT_EQ(wineserverFolderName(tmp / "missing"), "");
    EXPECT_FALSE(wineserverRunning(tmp / "missing", {userRoot()}));
}

TEST_F(WineServerTest, LiveSocketIsARunningServer) {
    EXPECT_FALSE(running());
    FakeServer server(userRoot() / serverFolder / "socket");
    EXPECT_TRUE(running());
    server.stop();
    EXPECT_TRUE(fs::exists(fs::symlink_status(userRoot() / serverFolder / "socket")));
    EXPECT_FALSE(running()) << "a stale socket file counts as no server";
}

// Wine puts its folder under $TMPDIR when that is set; the guard looks there as well as in /tmp. Both
// kinds of folder below a temp folder are found by the tests that pass the roots themselves.
TEST_F(WineServerTest, TmpdirIsSearched) {
    test::EnvGuard env;
    env.set("TMPDIR", fakeTmp.string());
    EXPECT_EQ(wineserverTempDirs(), (std::vector<fs::path>{"/tmp", fakeTmp}));
    EXPECT_FALSE(wineserverRunning(prefix));
    FakeServer server(userRoot() / serverFolder / "socket");
    EXPECT_TRUE(wineserverRunning(prefix));
    server.stop();
    env.set("TMPDIR", "/tmp");
    EXPECT_EQ(wineserverTempDirs(), std::vector<fs::path>{"/tmp"});
}

TEST_F(WineServerTest, ASocketPathTooLongForAnAddressIsStillAsked) {
    const fs::path deep = fakeTmp / std::string(120, 'd');
    fs::create_directories(deep);
    FakeServer server(deep / "wine-Xy12Zw" / serverFolder / "socket");
    EXPECT_GE((deep / "wine-Xy12Zw" / serverFolder / "socket").string().size(),
              sizeof(sockaddr_un::sun_path));
    EXPECT_TRUE(wineserverRunning(prefix, wineserverSocketRoots(prefix, deep)));
    server.stop();
    EXPECT_FALSE(wineserverRunning(prefix, wineserverSocketRoots(prefix, deep)));
}

TEST_F(WineServerTest, AWineFolderOfAnotherUserDoesNotCount) {
    const fs::path planted = fakeTmp / "wine-planted";
    FakeServer server(planted / serverFolder / "socket");
    ASSERT_TRUE(running()); // a Debian-style wine-* folder of this user counts
    if (::chown(planted.c_str(), ::getuid() + 4242, static_cast<gid_t>(-1)) != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    EXPECT_FALSE(running());
}

TEST_F(WineServerTest, OtherPrefixesAndOtherFilesDoNotCount) {
    const fs::path other = tmp.path() / "other";
    fs::create_directories(other);
    FakeServer server(userRoot() / wineserverFolderName(other) / "socket");
    EXPECT_FALSE(running());
    EXPECT_TRUE(wineserverRunning(other, wineserverSocketRoots(other, fakeTmp)));

    test::writeFile(userRoot() / serverFolder / "socket", "not a socket");
    test::writeFile(userRoot() / serverFolder / "lock", "");
    EXPECT_FALSE(running());
}

TEST_F(WineServerTest, MessageSaysHowToStopTheServer) {
    EXPECT_NE(wineserverRunningMessage("/home/al/.wine").find("WINEPREFIX=/home/al/.wine wineserver -k"),
              std::string::npos);
    const std::string spaced = wineserverRunningMessage("/home/al/My Prefix's");
    EXPECT_NE(spaced.find("WINEPREFIX='/home/al/My Prefix'\\''s' wineserver -k"), std::string::npos)
        << spaced;
}

} // namespace
} // namespace tessaly

// RegistryWritersTest.cpp -- saving while others are at the prefix: refused while a wineserver of the prefix
// runs, and racing another program that rewrites user.reg, no write of either is lost. (A dump loaded below
// another key, saved and read again, is tested through tessaly-cli in CliTest.)
#include "RegistryTestEnv.h"
#include "platform/WineServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
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

std::string writerVersionText(unsigned version) {
    char block[128];
    std::snprintf(block, sizeof block,
                  "\n[Software\\\\Writer] 1700000000\n#time=1d9f0a2b3c4d5e6\n\"Version\"=dword:%08x\n",
                  version);
    return test::kEmptyUserReg + block;
}

// The writer's version a file holds: its own, or the one a save of ours started from.
unsigned writerVersionIn(const std::string& text) {
    const std::string tag = "\"Version\"=dword:";
    const size_t at = text.find(tag);
    return at == std::string::npos
               ? 0
               : static_cast<unsigned>(std::stoul(text.substr(at + tag.size(), 8), nullptr, 16));
}

// Another program that saves user.reg every 2 ms as Wine does (a new file renamed over it) and then
// looks whether its version is still there, or at least the base of a later save of ours. A save of
// ours that started from an older version and replaced it has lost that write.
class Writer {
public:
    explicit Writer(std::filesystem::path file) : file_(std::move(file)), thread_([this] { run(); }) {}
    ~Writer() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    unsigned writes() const { return written_; }
    unsigned lost() const { return lost_; }

private:
    void run() {
        const std::string temp = file_.string() + ".writer";
        while (!stop_) {
            const unsigned version = written_ + 1;
            test::writeFile(temp, writerVersionText(version));
            std::filesystem::rename(temp, file_);
            written_ = version;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (writerVersionIn(readFile(file_)) < version) {
                // A save that is refused swaps the file back at once; give it time before calling it lost.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (writerVersionIn(readFile(file_)) < version)
                    ++lost_;
            }
        }
    }

    std::filesystem::path file_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> written_{0};
    std::atomic<unsigned> lost_{0};
    std::thread thread_;
};

TEST(RegistryWriters, SavesRacingAnotherWriterNeverLoseItsWrites) {
    RegistryEnv env(false);
    test::writeFile(env.dir / "user.reg", writerVersionText(0));
    env.wine->reload();
    unsigned saved = 0, refused = 0;
    {
        Writer writer(env.dir / "user.reg");
        for (unsigned i = 0; i < 300; ++i) {
            env.wine->reload();
            env.set(u"Software\\Tessaly", u"Save", kRegDword, test::dword(i));
            try {
                env.wine->save();
                ++saved;
            } catch (const std::runtime_error& e) {
                const std::string what = e.what(); // refused before writing, or at the swap
                if (what.find("was changed by another program since Tessaly read it") == std::string::npos &&
                    what !=
                        "user.reg was changed by another program while Tessaly saved it; nothing was changed")
                    ADD_FAILURE() << what;
                ++refused;
            }
        }
        writer.stop();
        std::printf("%u saves, %u refused; %u writes by the other program, %u lost\n", saved, refused,
                    writer.writes(), writer.lost());
        EXPECT_EQ(writer.lost(), 0u);
        EXPECT_GT(saved, 0u);
        EXPECT_GT(writer.writes(), 0u);
        EXPECT_EQ(writerVersionIn(readFile(env.dir / "user.reg")), writer.writes());
    }
    for (const auto& entry : std::filesystem::directory_iterator(env.dir.path()))
        EXPECT_FALSE(isAtomicSaveTempName(entry.path().filename().string())) << entry.path();
}

} // namespace
} // namespace tessaly

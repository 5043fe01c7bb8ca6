// TempFilesTest.cpp -- Windows-named temporary files and the private working folder; what a killed run
// provably left is removed by the next one, nothing else ever is; one run at a time holds a profile.
#include "platform/TempFiles.h"
#include "EnvGuard.h"
#include "TempDir.h"
#include "platform/Leftovers.h"
#include "platform/OwnerMark.h"
#include "platform/ProfileLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

unsigned modeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

class TempFilesTest : public ::testing::Test {
protected:
    void SetUp() override { env.set("TMPDIR", tmp.path().string()); }
    test::TempDir tmp;
    test::EnvGuard env;
};

TEST_F(TempFilesTest, NamesFollowTheWindowsPattern) {
    const struct {
        std::string prefix;
        const char* pattern;
    } cases[] = {
        {"KVA", "KVA[0-9A-F]{1,4}\\.tmp"},
        {"KV", "KV[0-9A-F]{1,4}\\.tmp"},
        {"KVRLONG", "KVR[0-9A-F]{1,4}\\.tmp"},
        {"", "[0-9A-F]{1,4}\\.tmp"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\xC3\xA9[0-9A-F]{1,4}\\.tmp"},
    };
    for (const auto& tc : cases) {
        const fs::path file = sGetTempFile(tc.prefix);
        EXPECT_EQ(file.parent_path(), tmp.path());
        EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex(tc.pattern))) << file;
        EXPECT_TRUE(fs::is_regular_file(file));
        EXPECT_EQ(fs::file_size(file), 0u);
        EXPECT_EQ(modeOf(file), 0600u);
    }
}

TEST_F(TempFilesTest, NeverReusesAnExistingName) {
    test::writeFile(tmp / "KV1F.tmp", "taken");
    test::writeFile(tmp / "KV20.tmp", "taken too");
    EXPECT_EQ(createTempFileIn(tmp.path(), "KV", 0x1F), tmp / "KV21.tmp");
    EXPECT_EQ(test::readFile(tmp / "KV1F.tmp"), "taken");
    EXPECT_EQ(test::readFile(tmp / "KV20.tmp"), "taken too");

    // After FFFF the search goes on at 1 (0 is not a number the Windows call hands out).
    test::writeFile(tmp / "KVSFFFF.tmp", "");
    EXPECT_EQ(createTempFileIn(tmp.path(), "KVS", 0xFFFF), tmp / "KVS1.tmp");

    std::set<fs::path> seen;
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(seen.insert(sGetTempFile("KVR")).second);
}

TEST_F(TempFilesTest, FailuresAreReported) {
    try {
        createTempFileIn(tmp / "missing", "KV", 1);
        FAIL() << "created a file in a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos) << e.what();
    }
    for (const char* bad : {"a/b", "..\\", "/"})
        EXPECT_THROW(sGetTempFile(bad), std::invalid_argument) << bad;
}

TEST_F(TempFilesTest, HostTempDirFollowsTmpdir) {
    EXPECT_EQ(hostTempDir(), tmp.path());
    test::writeFile(tmp / "file", "");
    env.set("TMPDIR", (tmp / "file").string());
    EXPECT_EQ(hostTempDir(), "/tmp");
    env.set("TMPDIR", (tmp / "missing").string());
    EXPECT_EQ(hostTempDir(), "/tmp");
    env.unset("TMPDIR");
    EXPECT_EQ(hostTempDir(), "/tmp");
}

TEST_F(TempFilesTest, PrivateWorkDirIsPrivateAndRemoved) {
    fs::path where;
    {
        PrivateWorkDir work;
        where = work.path();
        EXPECT_EQ(where.parent_path(), tmp.path());
        EXPECT_TRUE(fs::is_directory(where));
        EXPECT_EQ(modeOf(where), 0700u);
        test::writeFile(where / "vantrel.dat", "BackupItem=10000000\r\n");
        test::writeFile(where / "sub" / "KVA1.tmp", "dump");

        PrivateWorkDir other;
        EXPECT_NE(other.path(), where);
    }
    EXPECT_FALSE(fs::exists(where));
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

void touch(const fs::path& file) {
    std::ofstream(file) << "x";
}

void ageBy(const fs::path& path, std::chrono::seconds age) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

void writeMark(const fs::path& file) {
    std::ofstream(file) << kOwnerMarkLine << "\npid 1 boot x\n";
}

TEST(Leftovers, OnlyWhatAKilledRunProvablyLeftIsRemoved) {
    test::TempDir dir;
    const auto old = std::chrono::hours(2);
    const std::string reserved = "TSY0123456789ABCDEF.tmp";
    // Left by killed runs: an unlocked mark, an empty folder of the generated name, a reservation and
    // the sealed file beside it.
    fs::create_directory(dir / "tessaly-dead01");
    writeMark(dir / "tessaly-dead01/.owner");
    touch(dir / "tessaly-dead01/archive.zip");
    ageBy(dir / "tessaly-dead01/.owner", old);
    fs::create_directory(dir / "tessaly-Ab12Cd");
    ageBy(dir / "tessaly-Ab12Cd", old);
    writeMark(dir / reserved);
    touch(dir / (reserved + "E"));
    ageBy(dir / reserved, old);

    // Everything else stays: live runs' items, the user's own folders and files whatever their names,
    // marks that are links, FIFOs, other users' or fakes.
    PrivateWorkDir live(dir.path());
    ageBy(live.path() / kOwnerFileName, old);
    OwnedTempFile owned(dir.path(), "TSY");
    ageBy(owned.path(), old);
    const fs::path ownedCopy = owned.path().string() + "E";
    touch(ownedCopy);
    fs::create_directories(dir / "tessaly-weekly/2026");
    touch(dir / "tessaly-weekly/monday.tsy");
    fs::create_directory(dir / "tessaly-fifo");
    ASSERT_EQ(::mkfifo((dir / "tessaly-fifo/.owner").c_str(), 0600), 0);
    fs::create_directory(dir / "tessaly-fake");
    touch(dir / "tessaly-fake/.owner");
    fs::create_directory(dir / "tessaly-other");
    writeMark(dir / "tessaly-other/.owner");
    ASSERT_EQ(::chown((dir / "tessaly-other/.owner").c_str(), 65534, 65534), 0);
    fs::create_directory(dir / "target");
    writeMark(dir / "target/.owner");
    fs::create_directory_symlink(dir / "target", dir / "tessaly-link");
    for (const char* name :
         {"TSY1.tmp", "TSYBEEF.tmp", "TSYFEDCBA9876543210.tmp", "TSY00000000000000AA.tmpE"})
        touch(dir / name);
    const char* kept[] = {"tessaly-weekly/monday.tsy",
                          "tessaly-weekly/2026",
                          "tessaly-fifo/.owner",
                          "tessaly-fake/.owner",
                          "tessaly-other/.owner",
                          "target/.owner",
                          "tessaly-link",
                          "TSY1.tmp",
                          "TSYBEEF.tmp",
                          "TSYFEDCBA9876543210.tmp",
                          "TSY00000000000000AA.tmpE"};
    for (const char* name : kept) {
        ageBy(dir / name, old);
        ageBy((dir / name).parent_path(), old);
    }

    EXPECT_EQ(removeLeftovers(dir.path()), 3);
    for (const std::string& gone :
         {std::string("tessaly-dead01"), std::string("tessaly-Ab12Cd"), reserved, reserved + "E"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / gone))) << gone;
    for (const char* name : kept)
        EXPECT_TRUE(fs::exists(fs::symlink_status(dir / name))) << name;
    for (const fs::path& path : {live.path() / kOwnerFileName, owned.path(), ownedCopy})
        EXPECT_TRUE(fs::exists(path)) << path;
}

// A link planted as the lock file is refused by every verb in the command line's guard test.
TEST(ProfileLock, AFifoPlantedAsTheLockFileIsRefused) {
    test::TempDir prefix;
    ASSERT_EQ(::mkfifo(ProfileLock::lockFile(prefix.path()).c_str(), 0600), 0);
    EXPECT_THROW(ProfileLock(prefix.path(), "tessaly backup"), ProfileLockFailed);
}

TEST(ProfileLock, ASecondHolderWaitsThenIsToldWhoHoldsIt) {
    test::TempDir prefix;
    {
        ProfileLock first(prefix.path(), "tessaly-cli restore");
        try {
            ProfileLock second(prefix.path(), "tessaly backup", std::chrono::milliseconds(200));
            ADD_FAILURE() << "a second run got the profile";
        } catch (const ProfileBusy& e) {
            EXPECT_NE(std::string(e.what()).find("is being changed by tessaly-cli restore (process " +
                                                 std::to_string(::getpid()) + ")"),
                      std::string::npos)
                << e.what();
        }
    }
    // Released with the first holder: the next one gets it at once.
    ProfileLock again(prefix.path(), "tessaly backup", std::chrono::milliseconds(0));
}

} // namespace
} // namespace tessaly

// LeftoversTest.cpp -- what a killed run provably left is removed by the next one, nothing else ever is;
// one run at a time holds a profile.
#include "platform/Leftovers.h"
#include "platform/OwnerMark.h"
#include "platform/ProfileLock.h"
#include "platform/TempFiles.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

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

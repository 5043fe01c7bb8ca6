// LeftoversTest.cpp -- what a killed run left is removed by the next one, what a live run holds never is;
// one run at a time holds a profile.
#include "platform/Leftovers.h"
#include "platform/ProfileLock.h"
#include "platform/TempFiles.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sys/file.h>
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

TEST(Leftovers, OnlyWhatNoLiveRunOwnsIsRemoved) {
    test::TempDir dir;
    const auto old = std::chrono::minutes(5);
    // Left by killed runs: an unlocked owner file, a folder of an earlier version, unowned temp files.
    fs::create_directory(dir / "tessaly-dead01");
    touch(dir / "tessaly-dead01/.owner");
    touch(dir / "tessaly-dead01/archive.zip");
    ageBy(dir / "tessaly-dead01/.owner", old);
    fs::create_directory(dir / "tessaly-zip-123");
    touch(dir / "tessaly-zip-123/m1.zip");
    ageBy(dir / "tessaly-zip-123", old);
    fs::create_directory(dir / "tessaly-killedwhilemade");
    ageBy(dir / "tessaly-killedwhilemade", std::chrono::seconds(10)); // empty: killed while being made
    touch(dir / "TSY1A.tmp");
    ageBy(dir / "TSY1A.tmp", old);
    touch(dir / "TSY2B.tmpE");
    ageBy(dir / "TSY2B.tmpE", old);
    // Held by live runs, just made, or not ours at all.
    PrivateWorkDir live(dir.path());
    ageBy(live.path() / kOwnerFileName, old);
    OwnedTempFile owned(dir.path(), "TSY");
    ageBy(owned.path(), old);
    fs::path ownedCopy = owned.path().string() + "E";
    touch(ownedCopy);
    ageBy(ownedCopy, old);
    fs::create_directory(dir / "tessaly-fresh1");
    touch(dir / "TSY3C.tmp");
    touch(dir / "TSYnotes.txt");
    ageBy(dir / "TSYnotes.txt", old);

    EXPECT_EQ(removeLeftovers(dir.path()), 5);
    for (const char* gone :
         {"tessaly-dead01", "tessaly-zip-123", "tessaly-killedwhilemade", "TSY1A.tmp", "TSY2B.tmpE"})
        EXPECT_FALSE(fs::exists(dir / gone)) << gone;
    for (const fs::path& kept : {live.path(), owned.path(), ownedCopy, dir / "tessaly-fresh1",
                                 dir / "TSY3C.tmp", dir / "TSYnotes.txt"})
        EXPECT_TRUE(fs::exists(kept)) << kept;
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

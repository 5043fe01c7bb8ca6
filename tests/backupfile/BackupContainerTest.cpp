// BackupContainerTest.cpp -- both containers: round trips, the compatible bytes as documented, passwords
// and limits.
#include "backupfile/BackupContainer.h"
#include "backupfile/Scrambler.h"
#include "backupfile/StrongContainer.h"

#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "StrongForge.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace tessaly {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

const KdfParameters kCheap{1, 8192};

// Archive-like bytes: a zip local header, then the info file's name and text, then member names.
std::string fakeArchive() {
    std::string a("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
    a += std::string(20, '\x01') + "vantrel.dat" + "BackupIdentity=Main Identity\r\nBackupItem=11111111\r\n";
    a += "Inbox.dbx" + test::noise(100000, 1) + "Sent Items.dbx";
    return a;
}

TEST(StrongContainerTest, RoundTripsAcrossChunkBoundariesAndNeverPassesForACompatibleFile) {
    CodePage cp(1252);
    const std::string password = "p\xc3\xa4ssw\xc3\xb6rd \xe2\x82\xac";
    for (size_t size :
         {size_t(0), size_t(1), kStrongChunk - 1, kStrongChunk, kStrongChunk + 1, 3 * kStrongChunk + 77}) {
        TempDir dir;
        test::RecordingUi ui;
        const std::string archive = test::noise(size, 2);
        writeFile(dir / "a.zip", archive);
        sealStrong(dir / "a.zip", dir / "a.tsy", password, kCheap, ui);
        // Header, full chunks, a shorter last chunk (maybe empty), the end mark.
        EXPECT_EQ(std::filesystem::file_size(dir / "a.tsy"),
                  kStrongHeaderSize + size + 17 * (size / kStrongChunk + 1) + 8)
            << size;
        EXPECT_FALSE(ui.progressVisible);
        EXPECT_EQ(checkContainer(dir / "a.tsy", password, cp), BackupFileCheck::Ok);
        openArchive(dir / "a.tsy", password, dir / "plain.zip", cp, ui);
        EXPECT_EQ(readFile(dir / "plain.zip"), archive) << size;
        // A compatible reader refuses it, whatever the password: its end can never be a trailer.
        for (const std::string& tried : {std::string(), password, std::string("x")}) {
            EXPECT_FALSE(CheckPassword(tried, dir / "a.tsy", cp));
            EXPECT_EQ(checkBackupFile(dir / "a.tsy", tried, cp), BackupFileCheck::NotABackupFile);
        }
    }
}

TEST(StrongContainerTest, PasswordsAreCheckedByTheirKeyCheckValueAndNothingShowsInTheClear) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    writeFile(dir / "a.zip", fakeArchive());
    sealStrong(dir / "a.zip", dir / "a.tsy", "Secret", kCheap, ui);
    const std::string sealed = readFile(dir / "a.tsy");
    for (const char* secret : {"vantrel.dat", "Main Identity", "BackupItem", "Inbox.dbx", "Sent Items.dbx"})
        EXPECT_EQ(sealed.find(secret), std::string::npos) << secret;
    // Two files of the same archive and password differ (random salt and stream header).
    sealStrong(dir / "a.zip", dir / "b.tsy", "Secret", kCheap, ui);
    EXPECT_NE(sealed, readFile(dir / "b.tsy"));
    for (const char* wrong : {"secret", "", "Secret ", "Secre"})
        EXPECT_EQ(checkContainer(dir / "a.tsy", wrong, cp), BackupFileCheck::WrongPassword) << wrong;
    EXPECT_EQ(checkContainer(dir / "missing.tsy", "Secret", cp), BackupFileCheck::Missing);
    // The empty password is refused for strong files: nothing is written.
    EXPECT_THROW(sealArchive(dir / "a.zip", dir / "c.tsy", "", Protection::Strong, cp, ui), ContainerError);
    EXPECT_FALSE(std::filesystem::exists(dir / "c.tsy"));
}

// A run seals a file and reads it back: the memo saves the second derivation, never for another password,
// another file's salt, or after it is gone.
TEST(StrongContainerTest, AKeyMemoDerivesOnceForTheSameFileAndPasswordOnly) {
    TempDir dir;
    test::RecordingUi ui;
    writeFile(dir / "a.zip", fakeArchive());
    sealStrong(dir / "a.zip", dir / "old.tsy", "Secret", kCheap, ui);
    {
        StrongKeyMemo memo;
        sealStrong(dir / "a.zip", dir / "a.tsy", "Secret", kCheap, ui);
        StrongKeyMemo second; // does nothing while the first is in effect
        EXPECT_EQ(checkStrong(dir / "a.tsy", "secret"), BackupFileCheck::WrongPassword);
        EXPECT_EQ(checkStrong(dir / "old.tsy", "Secret"), BackupFileCheck::Ok);
        EXPECT_EQ(memo.reused(), 0);
        EXPECT_EQ(checkStrong(dir / "a.tsy", "Secret"), BackupFileCheck::Ok);
        openStrong(dir / "a.tsy", "Secret", dir / "plain.zip", ui);
        EXPECT_EQ(readFile(dir / "plain.zip"), readFile(dir / "a.zip"));
        EXPECT_EQ(memo.reused(), 2);
        EXPECT_EQ(second.reused(), 0);
    }
    StrongKeyMemo later;
    EXPECT_EQ(checkStrong(dir / "a.tsy", "Secret"), BackupFileCheck::Ok);
    EXPECT_EQ(later.reused(), 0);
}

TEST(StrongContainerTest, KdfLimitsCapTheWorkTogether) {
    const std::uint64_t mib = std::uint64_t{1} << 20;
    struct Case {
        std::uint64_t ops, mem;
        bool allowed;
    };
    for (Case c : {Case{12, 64 * mib, true}, Case{12, 256 * mib, true}, Case{13, 256 * mib, false},
                   Case{20, 153 * mib, true}, Case{20, 154 * mib, false}, Case{21, 8192, false},
                   Case{1, 256 * mib, true}, Case{1, 257 * mib, false}, Case{0, 64 * mib, false},
                   Case{1, 8191, false}})
        EXPECT_EQ(kdfWithinLimits(c.ops, c.mem), c.allowed) << c.ops << " x " << c.mem;
}

TEST(StrongContainerTest, NoMemoryForTheKeyDerivationIsSaidSoNotCalledNoBackupFile) {
    TempDir dir;
    // A sound header that asks for 256 MiB, within the limits; the process may have far less.
    std::string file = test::forgeStrong(fakeArchive(), "right");
    writeFile(dir / "big.tsy",
              test::forgedHeader(file, 12, test::le(1, 4) + test::le(std::uint64_t{256} << 20, 8)));
    auto underALimit = [&] {
        long pages = 0; // the address space in use now
        std::ifstream("/proc/self/statm") >> pages;
        rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        rlimit limit{now + (rlim_t{64} << 20), now + (rlim_t{64} << 20)};
        ::setrlimit(RLIMIT_AS, &limit);
        try {
            std::fprintf(stderr, "check %d\n", static_cast<int>(checkStrong(dir / "big.tsy", "right")));
        } catch (const ContainerError& e) {
            std::fprintf(stderr, "container error %s\n", e.what());
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            std::_Exit(std::strstr(e.what(), "not enough memory for the key derivation") ? 0 : 1);
        }
        std::_Exit(1);
    };
    EXPECT_EXIT(underALimit(), ::testing::ExitedWithCode(0), "not enough memory for the key derivation");
}

TEST(BackupFileCheckTest, AFileThatCannotBeOpenedIsSaidSo) {
    EXPECT_EQ(describeUnreadable("/backups/week.tsy", EACCES),
              "cannot read /backups/week.tsy: permission denied");
    TempDir dir;
    writeFile(dir / "locked.tsy", fakeArchive() + std::string(33, '0'));
    std::filesystem::permissions(dir / "locked.tsy", std::filesystem::perms::none);
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    EXPECT_EQ(checkContainer(dir / "locked.tsy", "", CodePage(1252)), BackupFileCheck::Unreadable);
    test::RecordingUi ui;
    try {
        openArchive(dir / "locked.tsy", "", dir / "plain.zip", CodePage(1252), ui);
        ADD_FAILURE() << "opened";
    } catch (const ContainerError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot read " + (dir / "locked.tsy").string() + ": permission denied");
    }
}

} // namespace
} // namespace tessaly

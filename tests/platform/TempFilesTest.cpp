// TempFilesTest.cpp -- Windows-named temporary files and the private working folder.
#include "platform/TempFiles.h"

#include "EnvGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

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

} // namespace
} // namespace tessaly

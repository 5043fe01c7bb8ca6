// AtomicFileTest.cpp -- atomic replacement keeps the old file whenever writing fails.
#include "platform/AtomicFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A write(2) that lets `budget` bytes through and then fails with `error`, like a disk that fills up.
WriteFunction failingAfter(std::size_t budget, int error) {
    auto left = std::make_shared<std::size_t>(budget);
    return [left, error](int fd, const void* data, std::size_t size) -> ssize_t {
        if (*left == 0) {
            errno = error;
            return -1;
        }
        const std::size_t n = std::min(size, *left);
        *left -= n;
        return ::write(fd, data, n);
    };
}

TEST(AtomicFile, WritesNewAndReplacesOldFiles) {
    test::TempDir tmp;
    const fs::path target = tmp / "user.reg";
    writeFileAtomically(target, "first");
    EXPECT_EQ(test::readFile(target), "first");

    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeFileAtomically(target, std::string("second\0with nul", 15));
    EXPECT_EQ(test::readFile(target), std::string("second\0with nul", 15));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    writeFileAtomically(target, "");
    EXPECT_EQ(fs::file_size(target), 0u);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"user.reg"});
}

TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
    const std::string newBytes(100000, 'n');
    const WriteFunction noProgress = [](int, const void*, std::size_t) -> ssize_t { return 0; };
    const struct {
        const char* name;
        WriteFunction write;
        int error; // 0: only the failure itself is checked
    } cases[] = {{"full at once", failingAfter(0, ENOSPC), ENOSPC},
                 {"full after 3 bytes", failingAfter(3, ENOSPC), ENOSPC},
                 {"full after 64 KiB", failingAfter(65536, ENOSPC), ENOSPC},
                 {"I/O error at the last byte", failingAfter(99999, EIO), EIO},
                 {"quota", failingAfter(10, EDQUOT), EDQUOT},
                 {"no progress", noProgress, 0}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        test::TempDir tmp;
        const fs::path target = tmp / "system.reg";
        test::writeFile(target, "old contents");
        try {
            writeFileAtomically(target, newBytes, tc.write);
            ADD_FAILURE() << "failed write reported as success";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            if (tc.error) {
                EXPECT_NE(what.find(std::strerror(tc.error)), std::string::npos) << what;
            }
            EXPECT_NE(what.find(target.string()), std::string::npos) << what;
        }
        EXPECT_EQ(test::readFile(target), "old contents");
        EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"system.reg"});
    }
}

TEST(AtomicFile, ShortAndInterruptedWritesStillWriteEverything) {
    test::TempDir tmp;
    std::string bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += static_cast<char>(i * 7);
    int calls = 0;
    writeFileAtomically(tmp / "f", bytes, [&calls](int fd, const void* data, std::size_t size) -> ssize_t {
        if (++calls % 5 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min<std::size_t>(size, 777));
    });
    EXPECT_EQ(test::readFile(tmp / "f"), bytes);
}

TEST(AtomicFile, MissingFolderOrFolderTargetIsAnError) {
    test::TempDir tmp;
    EXPECT_THROW(writeFileAtomically(tmp / "missing" / "f", "x"), std::runtime_error);
    EXPECT_FALSE(fs::exists(tmp / "missing"));

    fs::create_directories(tmp / "dir" / "inner");
    EXPECT_THROW(writeFileAtomically(tmp / "dir", "x"), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(tmp / "dir" / "inner"));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"dir"});
}

TEST(AtomicFile, SymlinkedTargetKeepsTheLink) {
    test::TempDir tmp;
    fs::create_directories(tmp / "real");
    test::writeFile(tmp / "real" / "user.reg", "old");
    fs::create_symlink("real/user.reg", tmp / "link.reg");
    writeFileAtomically(tmp / "link.reg", "new");
    EXPECT_TRUE(fs::is_symlink(tmp / "link.reg"));
    EXPECT_EQ(test::readFile(tmp / "real" / "user.reg"), "new");
    EXPECT_EQ(namesIn(tmp / "real"), std::vector<std::string>{"user.reg"});
}

} // namespace
} // namespace tessaly

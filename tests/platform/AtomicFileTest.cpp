// AtomicFileTest.cpp -- atomic replacement keeps the old file whenever writing fails, and never saves over a
// version another program wrote meanwhile.
#include "platform/AtomicFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
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

TEST(AtomicFile, ReplacesOldFilesWithAnyBytes) {
    test::TempDir tmp;
    const fs::path target = tmp / "user.reg"; // a new file is written by the interrupted-writes test
    test::writeFile(target, "first");
    writeFileAtomically(target, std::string("second\0with nul", 15));
    EXPECT_EQ(test::readFile(target), std::string("second\0with nul", 15));

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
                 {"full after 64 KiB", failingAfter(65536, ENOSPC), ENOSPC},
                 {"I/O error at the last byte", failingAfter(99999, EIO), EIO},
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

const std::string kChanged =
    "user.reg was changed by another program while Tessaly saved it; nothing was changed";

// Replaces the file as Wine does: a new file renamed over it.
void replaceByRename(const fs::path& file, const std::string& bytes) {
    test::writeFile(file.string() + ".other", bytes);
    fs::rename(file.string() + ".other", file);
}

TEST(AtomicFile, SavesOnlyOverTheVersionThatWasRead) {
    const struct {
        const char* name;
        bool existed;                                   // whether user.reg was there when it was read
        std::function<void(const fs::path&)> meanwhile; // what another program does before the save
        bool refused;
    } cases[] = {
        {"nobody touched it", true, [](const fs::path&) {}, false},
        {"replaced by a rename", true, [](const fs::path& f) { replaceByRename(f, "theirs"); }, true},
        {"same size, rewritten in place", true,
         [](const fs::path& f) {
             const auto before = fs::last_write_time(f);
             test::writeFile(f, "THEIRS");
             fs::last_write_time(f, before + std::chrono::seconds(1));
         },
         true},
        {"removed", true, [](const fs::path& f) { fs::remove(f); }, true},
        {"still new", false, [](const fs::path&) {}, false},
        {"created meanwhile", false, [](const fs::path& f) { test::writeFile(f, "theirs"); }, true},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        test::TempDir tmp;
        const fs::path target = tmp / "user.reg";
        if (tc.existed)
            test::writeFile(target, "theirs");
        const FileVersion read = fileVersionOf(target);
        EXPECT_EQ(read.exists, tc.existed);
        tc.meanwhile(target);
        const bool existsBefore = fs::exists(target);
        const std::string before = existsBefore ? test::readFile(target) : "";
        try {
            const FileVersion written = writeFileAtomically(target, "mine", read);
            EXPECT_FALSE(tc.refused) << "saved over another program's version";
            EXPECT_EQ(test::readFile(target), "mine");
            EXPECT_EQ(written, fileVersionOf(target));
        } catch (const FileChangedMeanwhile& e) {
            EXPECT_TRUE(tc.refused) << e.what();
            EXPECT_EQ(e.what(), kChanged);
            EXPECT_EQ(fs::exists(target), existsBefore);
            if (existsBefore) {
                EXPECT_EQ(test::readFile(target), before);
            }
        }
        EXPECT_EQ(namesIn(tmp.path()).size(), fs::exists(target) ? 1u : 0u) << "a temporary file was left";
    }
}

// The file beside the target is private while it is written, carries Tessaly's mark and a name nobody
// can guess; the result gets the mode of the file it replaces, or 0600 when it is new.
TEST(AtomicFile, TemporaryFileIsPrivateMarkedAndUnpredictable) {
    test::TempDir tmp;
    const fs::path target = tmp / "user.reg";
    std::vector<std::string> tempNames;
    const WriteFunction spy = [&](int fd, const void* data, std::size_t size) -> ssize_t {
        struct stat st {};
        EXPECT_EQ(::fstat(fd, &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        for (const auto& name : namesIn(tmp.path()))
            if (name != "user.reg")
                tempNames.push_back(name);
        return ::write(fd, data, size);
    };
    writeFileAtomically(target, "one", spy);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    writeFileAtomically(target, "two", spy);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                    fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(tempNames.size(), 2u);
    EXPECT_NE(tempNames[0], tempNames[1]);
    for (const auto& name : tempNames) {
        EXPECT_EQ(name.rfind(".user.reg.tessaly-tmp-", 0), 0u) << name;
        EXPECT_TRUE(isAtomicSaveTempName(name)) << name;
    }
}

TEST(AtomicFile, LeftoversOfKilledSavesGoAndNothingElse) {
    test::TempDir tmp;
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    const struct {
        const char* name;
        const char* kind; // "file", "young file", "folder", "link"
        bool removed;
    } cases[] = {
        {".user.reg.tessaly-tmp-Ab3dEf9hIj2L", "file", true},
        {".Favorites.url.tessaly-tmp-000000000000", "file", true},
        {".user.reg.tmp-x1Y2z3", "file", true}, // the name earlier versions used
        {".system.reg.tmp-Q9w8E7", "file", true},
        {".user.reg.tessaly-tmp-Ab3dEf9hIj2M", "young file", false},
        {".notes.txt.tmp-x1Y2z3", "file", false},
        {".user.reg.tmp-x1Y2z", "file", false},
        {".user.reg.tessaly-tmp-Ab3dEf9hIj2", "file", false},
        {".user.reg.tessaly-tmp-Ab3dEf9h-j2L", "file", false},
        {"user.reg.tessaly-tmp-Ab3dEf9hIj2L", "file", false},
        {"user.reg", "file", false},
        {".user.reg.tessaly-tmp-FolderFolder", "folder", false},
        {".user.reg.tessaly-tmp-LinkLinkLink", "link", false},
    };
    test::writeFile(tmp / "elsewhere", "kept");
    for (const auto& tc : cases) {
        const fs::path p = tmp / tc.name;
        if (std::string(tc.kind) == "folder")
            fs::create_directory(p);
        else if (std::string(tc.kind) == "link")
            fs::create_symlink("elsewhere", p);
        else
            test::writeFile(p, "password=secret");
        if (std::string(tc.kind) != "young file" && std::string(tc.kind) != "link")
            fs::last_write_time(p, old);
    }
    fs::last_write_time(tmp / "elsewhere", old);
    std::size_t expected = 0;
    for (const auto& tc : cases)
        expected += tc.removed;
    EXPECT_EQ(removeAtomicSaveLeftovers(tmp.path()), expected);
    for (const auto& tc : cases)
        EXPECT_EQ(fs::exists(fs::symlink_status(tmp / tc.name)), !tc.removed) << tc.name;
    EXPECT_EQ(test::readFile(tmp / "elsewhere"), "kept");
    EXPECT_EQ(removeAtomicSaveLeftovers(tmp / "missing"), 0u);
}

} // namespace
} // namespace tessaly

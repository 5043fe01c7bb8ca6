// ZipOneFileTest.cpp -- adding single files: bare names, replacement, skipped files, engine failures.
#include "ArchiveKit.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <zip.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string extractOne(const fs::path& archive, const std::string& name) {
    return test::runCommand("unzip -p " + test::quoted(archive) + " " + test::quoted(name)).output;
}

TEST(ZipOneFile, StoresFilesUnderBareNamesInCallOrder) {
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    test::writeFile(dir / "store/Inbox.dbx", test::noise(70000, 1));
    test::writeFile(dir / "tmp/KVA1F.tmp", "dump\r\n");
    test::writeFile(dir / "empty.txt", "");
    EXPECT_TRUE(ZipOneFile(archive, (dir / "store/Inbox.dbx").string()));
    // sGetTempFile leaves a NUL after the name; the name ends there.
    EXPECT_TRUE(ZipOneFile(archive, (dir / "tmp/KVA1F.tmp").string() + std::string(1, '\0')));
    EXPECT_TRUE(ZipOneFile(archive, (dir / "empty.txt").string()));

    EXPECT_EQ(test::infoZipTest(archive), 0);
    EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"Inbox.dbx", "KVA1F.tmp", "empty.txt"}));
    EXPECT_EQ(extractOne(archive, "Inbox.dbx"), test::noise(70000, 1));
    EXPECT_EQ(extractOne(archive, "KVA1F.tmp"), "dump\r\n");
}

TEST(ZipOneFile, TheListPlaceholderNeverPicksUpAFileOfTheCurrentFolder) {
    TempDir dir;
    test::writeFile(dir / "querty", "a stray file in the folder a scheduled run starts in");
    test::writeFile(dir / "a.txt", "wanted");
    fs::path before = fs::current_path();
    fs::current_path(dir.path());
    bool added = ZipOneFile((dir / "out.zip").string(), (dir / "a.txt").string());
    fs::current_path(before);
    EXPECT_TRUE(added);
    EXPECT_EQ(test::infoZipNames(dir / "out.zip"), std::vector<std::string>{"a.txt"});
}

TEST(ZipOneFile, SameBareNameFromAnotherFolderReplacesTheEntry) {
    for (bool inSession : {false, true}) {
        TempDir dir;
        auto archive = (dir / "backup.zip").string();
        test::writeFile(dir / "a/Folders.dbx", "from a");
        test::writeFile(dir / "b/Folders.dbx", "from b");
        test::writeFile(dir / "other.txt", "other");
        std::optional<ZipSession> session;
        if (inSession)
            session.emplace(archive);
        ZipOneFile(archive, (dir / "a/Folders.dbx").string());
        ZipOneFile(archive, (dir / "other.txt").string());
        ZipOneFile(archive, (dir / "b/Folders.dbx").string());
        if (session)
            session->finish();
        EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"Folders.dbx", "other.txt"}))
            << "in session: " << inSession;
        EXPECT_EQ(extractOne(archive, "Folders.dbx"), "from b") << "in session: " << inSession;
        EXPECT_EQ(test::infoZipTest(archive), 0);
    }
}

TEST(ZipOneFile, MissingHiddenOrFolderNamesLeaveTheArchiveUntouched) {
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    test::writeFile(dir / "kept.txt", "kept");
    ASSERT_TRUE(ZipOneFile(archive, (dir / "kept.txt").string()));
    std::string before = test::readFile(archive);
    auto stamp = fs::last_write_time(archive);

    test::writeFile(dir / ".hidden.dbx", "hidden");
    fs::create_directory(dir / "folder");
    for (std::string name : {"missing.dbx", ".hidden.dbx", "folder", ""}) {
        EXPECT_FALSE(ZipOneFile(archive, name.empty() ? "" : (dir / name).string())) << name;
        EXPECT_EQ(test::readFile(archive), before) << name;
        EXPECT_EQ(fs::last_write_time(archive), stamp) << name;
    }
    EXPECT_FALSE(ZipOneFile((dir / "new.zip").string(), (dir / "missing.dbx").string()));
    EXPECT_FALSE(fs::exists(dir / "new.zip"));
}

TEST(ZipOneFile, KeepsTheEntriesOfAnArchiveMadeByInfoZip) {
    TempDir dir;
    test::writeFile(dir / "one.txt", "one");
    test::writeFile(dir / "two.txt", "two");
    auto archive = dir / "infozip.zip";
    ASSERT_EQ(
        test::runCommand("zip -q -j " + test::quoted(archive) + " " + test::quoted(dir / "one.txt")).exitCode,
        0);
    ASSERT_TRUE(ZipOneFile(archive.string(), (dir / "two.txt").string()));
    EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(extractOne(archive, "one.txt"), "one");
    EXPECT_EQ(test::infoZipTest(archive), 0);
}

TEST(ZipOneFile, NonAsciiNamesKeepTheirCharacters) {
    TempDir dir;
    const std::string name = "Gel\xc3\xb6schte Objekte.dbx";
    test::writeFile(dir / "store" / name, "deleted items");
    auto archive = (dir / "backup.zip").string();
    ASSERT_TRUE(ZipOneFile(archive, (dir / "store" / name).string()));
    EXPECT_EQ(test::infoZipNames(archive), std::vector<std::string>{name});
    UnzipToFolder(archive, (dir / "out").string(), ZipNameList{name});
    EXPECT_EQ(test::readFile(dir / "out" / name), "deleted items");
}

struct EngineFailureCase {
    const char* title;
    std::function<std::string(const TempDir&)> archive; // prepares and names the archive
    int libzipCode;
};

// An engine failure raises a numbered error for the caller to turn into a failed item.
TEST(ZipOneFile, EngineFailuresRaiseANumberedErrorAndLeaveOldFilesAlone) {
    const EngineFailureCase cases[] = {
        {"archive is not a zip archive",
         [](const TempDir& d) {
             test::writeFile(d / "notes.zip", "these are notes, not an archive");
             return (d / "notes.zip").string();
         },
         ZIP_ER_NOZIP},
        {"archive folder does not exist",
         [](const TempDir& d) { return (d / "no/such/folder/b.zip").string(); }, ZIP_ER_TMPOPEN},
    };
    for (const auto& c : cases) {
        TempDir dir;
        test::writeFile(dir / "file.txt", "payload");
        std::string archive = c.archive(dir);
        std::string before = fs::exists(archive) ? test::readFile(archive) : "";
        try {
            ZipOneFile(archive, (dir / "file.txt").string());
            ADD_FAILURE() << c.title << ": no error";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.number(), kErrZipEngine) << c.title;
            EXPECT_EQ(e.source(), "CGmodule::ZipOneFile") << c.title;
            EXPECT_EQ(e.engineResult(), c.libzipCode) << c.title << ": " << e.description();
            EXPECT_EQ(e.description().rfind("error: ", 0), 0u) << e.description();
        }
        EXPECT_EQ(fs::exists(archive) ? test::readFile(archive) : "", before) << c.title;
        EXPECT_TRUE(fs::exists(dir / "file.txt"));
    }
}

} // namespace
} // namespace tessaly

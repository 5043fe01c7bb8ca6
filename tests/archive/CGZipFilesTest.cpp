// CGZipFilesTest.cpp -- the zip file list, its errors and MakeZipFile's runs.
#include "archive/CGZipFiles.h"
#include "ArchiveKit.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/EngineMessages.h"

#include <gtest/gtest.h>

#include <zip.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(CGZipFiles, ListErrorsLeaveTheListAsItWas) {
    struct Case {
        const char* title;
        std::string listed, name; // a name already listed ("" for none), and the one added or removed
        bool remove = false;
    };
    const Case cases[] = {
        {"same name", "/d/Inbox.dbx", "/d/Inbox.dbx"},
        {"other letter case", "/d/Inbox.dbx", "/D/INBOX.DBX"},
        {"accented letter case", "/d/\xc3\xa9t\xc3\xa9.dbx", "/d/\xc3\x89T\xc3\x89.dbx"},
        {"the placeholder", "", "QUERTY"},
        {"never added", "/d/a", "/d/b", true},
    };
    for (const auto& c : cases) {
        CGZipFiles zip;
        if (!c.listed.empty())
            zip.addFile(c.listed);
        auto before = zip.names();
        const ArchiveError e = test::raisedBy([&] {
            if (c.remove)
                zip.RemoveFile(c.name);
            else
                zip.addFile(c.name);
        });
        EXPECT_EQ(e.number(), c.remove ? kErrNotListed : kErrAlreadyListed) << c.title;
        EXPECT_EQ(e.source(), c.remove ? "CGZip::RemoveFile" : "CGZip::AddFile") << c.title;
        EXPECT_EQ(e.description(), c.remove ? "File is not in Zip List" : "File is already in Zip List")
            << c.title;
        EXPECT_EQ(zip.names(), before) << c.title;
    }
}

// The placeholder alone is a warning and writes no archive.
TEST(CGZipFiles, PlaceholderIsListedButNotCountedAndRemoveIgnoresLetterCase) {
    TempDir dir;
    CGZipFiles zip;
    zip.setZipFileName((dir / "out.zip").string());
    EXPECT_EQ(zip.ZipFileCount(), 0);
    EXPECT_EQ(zip.names(), std::vector<std::string>{"querty"});
    EXPECT_EQ(zip.MakeZipFile(), 0);
    EXPECT_NE(zip.GetLastMessage().find("name not matched: querty"), std::string::npos)
        << zip.GetLastMessage();
    EXPECT_FALSE(fs::exists(dir / "out.zip"));
    zip.addFile("/d/a.txt");
    zip.addFile("/d/b.txt");
    zip.RemoveFile("/D/A.TXT");
    EXPECT_EQ(zip.ZipFileCount(), 1);
    EXPECT_EQ(zip.names(), (std::vector<std::string>{"querty", "/d/b.txt"}));
}

TEST(CGZipFiles, HoldsNinetyNineFilesAndRefusesAHundredth) {
    TempDir dir;
    CGZipFiles zip;
    zip.setZipFileName((dir / "out.zip").string());
    for (int i = 0; i < 99; ++i) {
        auto f = dir / ("f" + std::to_string(i) + ".txt");
        test::writeFile(f, "file " + std::to_string(i));
        zip.addFile(f.string());
    }
    ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
    EXPECT_EQ(test::infoZipNames(dir / "out.zip").size(), 99u);

    fs::remove(dir / "out.zip");
    test::writeFile(dir / "f99.txt", "one too many");
    zip.addFile((dir / "f99.txt").string());
    const ArchiveError e = test::raisedBy([&] { zip.MakeZipFile(); });
    EXPECT_EQ(e.number(), kErrSubscript);
    EXPECT_EQ(e.source(), "CGZipFiles::MakeZipFile");
    EXPECT_EQ(e.description(), "Subscript out of range");
    EXPECT_EQ(e.engineResult(), -99);
    EXPECT_FALSE(fs::exists(dir / "out.zip"));
}

TEST(CGZipFiles, EncryptedAndIncludeSystemFilesDoNotReachTheArchive) {
    TempDir dir;
    test::writeFile(dir / "plain.txt", "plain");
    test::writeFile(dir / ".hidden", "hidden");
    CGZipFiles zip;
    zip.setZipFileName((dir / "out.zip").string());
    zip.setEncrypted(true);
    zip.setIncludeSystemFiles(true);
    zip.addFile((dir / "plain.txt").string());
    zip.addFile((dir / ".hidden").string());
    ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
    EXPECT_EQ(test::infoZipNames(dir / "out.zip"), std::vector<std::string>{"plain.txt"});
    auto r = test::runCommand("unzip -p -P '' " + test::quoted(dir / "out.zip"));
    EXPECT_EQ(r.output, "plain");
    int code = 0;
    zip_t* za = zip_open((dir / "out.zip").c_str(), ZIP_RDONLY, &code);
    ASSERT_NE(za, nullptr);
    zip_stat_t st;
    ASSERT_EQ(zip_stat_index(za, 0, 0, &st), 0);
    EXPECT_EQ(st.encryption_method, ZIP_EM_NONE);
    zip_discard(za);
}

TEST(CGZipFiles, RecurseFoldersStoresEveryFileUnderItsBareName) {
    TempDir dir;
    test::writeFile(dir / "tree/a.txt", "a");
    test::writeFile(dir / "tree/sub/b.txt", "b");
    test::writeFile(dir / "tree/sub/deeper/c.txt", "c");
    test::writeFile(dir / "tree/.hidden", "h");
    CGZipFiles zip;
    zip.setZipFileName((dir / "out.zip").string());
    zip.addFile((dir / "tree").string());

    ASSERT_EQ(zip.MakeZipFile(), 0);
    EXPECT_FALSE(fs::exists(dir / "out.zip")) << "a folder without RecurseFolders adds nothing";

    zip.setRecurseFolders(true);
    ASSERT_EQ(zip.MakeZipFile(), 0) << zip.GetLastMessage();
    auto names = test::infoZipNames(dir / "out.zip");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(test::infoZipTest(dir / "out.zip"), 0);
}

TEST(CGZipFiles, UpdatingZipReplacesOnlyByNewerFiles) {
    TempDir dir;
    auto file = dir / "note.txt";
    auto archive = dir / "out.zip";
    test::writeFile(file, "first");
    CGZipFiles zip;
    zip.setZipFileName(archive.string());
    zip.addFile(file.string());
    ASSERT_EQ(zip.MakeZipFile(), 0);
    auto stored = fs::last_write_time(file);

    test::writeFile(file, "older");
    fs::last_write_time(file, stored - std::chrono::hours(1));
    zip.setUpdatingZip(true);
    ASSERT_EQ(zip.MakeZipFile(), 0);
    EXPECT_EQ(test::runCommand("unzip -p " + test::quoted(archive)).output, "first");

    test::writeFile(file, "newer");
    fs::last_write_time(file, stored + std::chrono::hours(1));
    ASSERT_EQ(zip.MakeZipFile(), 0);
    EXPECT_EQ(test::runCommand("unzip -p " + test::quoted(archive)).output, "newer");

    test::writeFile(file, "plain update off");
    fs::last_write_time(file, stored - std::chrono::hours(2));
    zip.setUpdatingZip(false);
    ASSERT_EQ(zip.MakeZipFile(), 0);
    EXPECT_EQ(test::runCommand("unzip -p " + test::quoted(archive)).output, "plain update off");
}

} // namespace
} // namespace tessaly

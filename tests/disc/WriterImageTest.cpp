// WriterImageTest.cpp -- composing the data image: paths, events, renames, removal, listing, sizes.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

class WriterImage : public ::testing::Test {
protected:
    TempDir dir;
    DiscRig rig{{}};
    DiscWriter& writer = *rig.writer;
    std::vector<std::string>& events = rig.recorder.events;

    fs::path makeTree() {
        const fs::path src = dir / "Backup";
        writePatternFile(src / "a.tsy", 1536, 1);
        writePatternFile(src / "Mail" / "Inbox.dbx", 5000, 2);
        writePatternFile(src / "Mail" / "Ordner Ü" / "Identität.txt", 0, 3);
        fs::create_directories(src / "Empty");
        return src;
    }
};

TEST_F(WriterImage, AddFolderReportsEveryItemParentFirst) {
    const fs::path src = makeTree();
    ASSERT_TRUE(writer.AddFolder("\\Backup", (src / "*.*").string()));
    const std::string s = src.string();
    EXPECT_EQ(
        events,
        (std::vector<std::string>{
            "ItemAdded|\\|\\Backup|Backup|" + s + "|1",
            "ItemAdded|\\Backup|\\Backup\\Empty|Empty|" + s + "/Empty|1",
            "ItemAdded|\\Backup|\\Backup\\Mail|Mail|" + s + "/Mail|1",
            "ItemAdded|\\Backup\\Mail|\\Backup\\Mail\\Inbox.dbx|Inbox.dbx|" + s + "/Mail/Inbox.dbx|0",
            "ItemAdded|\\Backup\\Mail|\\Backup\\Mail\\Ordner Ü|Ordner Ü|" + s + "/Mail/Ordner Ü|1",
            "ItemAdded|\\Backup\\Mail\\Ordner Ü|\\Backup\\Mail\\Ordner Ü\\Identität.txt|Identität.txt|" + s +
                "/Mail/Ordner Ü/Identität.txt|0",
            "ItemAdded|\\Backup|\\Backup\\a.tsy|a.tsy|" + s + "/a.tsy|0",
        }));
    EXPECT_EQ(writer.ImageFileCount(), 3);
    EXPECT_EQ(writer.ImageFolderCount(), 4);
}

TEST_F(WriterImage, PathsIgnoreLetterCaseAndKeepTheStoredSpelling) {
    const fs::path src = makeTree();
    ASSERT_TRUE(writer.AddFolder("\\Backup", src.string()));
    events.clear();
    // A file dropped into "\backup\MAIL" lands in the existing folder, under that folder's spelling.
    ASSERT_TRUE(writer.AddFile("\\backup\\MAIL\\New.txt", (src / "a.tsy").string()));
    EXPECT_EQ(events, (std::vector<std::string>{"ItemAdded|\\Backup\\Mail|\\Backup\\Mail\\New.txt|New.txt|" +
                                                (src / "a.tsy").string() + "|0"}));
    events.clear();
    ASSERT_TRUE(writer.ListFolder("\\BACKUP\\mail"));
    const auto listed = rig.recorder.named("ItemListed");
    ASSERT_EQ(listed.size(), 3u);
    std::map<std::string, std::vector<std::string>> byPath;
    for (const std::string& line : listed)
        byPath[fieldsOf(line)[2]] = fieldsOf(line);
    const auto& inbox = byPath.at("\\Backup\\Mail\\Inbox.dbx");
    EXPECT_EQ(inbox[1], "\\Backup\\Mail");
    EXPECT_EQ(inbox[3], "Inbox.dbx");
    EXPECT_EQ(inbox[4], (src / "Mail" / "Inbox.dbx").string());
    EXPECT_EQ(inbox[5], "0");
    struct stat st {};
    ASSERT_EQ(::stat((src / "Mail" / "Inbox.dbx").c_str(), &st), 0);
    EXPECT_EQ(inbox[6], std::to_string(st.st_mtime));
    EXPECT_EQ(inbox[7], "5000");
    EXPECT_EQ(byPath.at("\\Backup\\Mail\\New.txt")[7], "1536");
    EXPECT_EQ(byPath.at("\\Backup\\Mail\\Ordner Ü")[5], "1");
    EXPECT_FALSE(writer.ListFolder("\\Backup\\Nowhere"));
    EXPECT_FALSE(writer.ListFolder("\\Backup\\a.tsy"));
}

TEST_F(WriterImage, AddFileReplacesAFileOfTheSameNameButNotAFolder) {
    const fs::path src = makeTree();
    ASSERT_TRUE(writer.AddFile("\\Report.txt", (src / "a.tsy").string()));
    ASSERT_TRUE(writer.AddFile("\\REPORT.TXT", (src / "Mail" / "Inbox.dbx").string()));
    EXPECT_EQ(writer.ImageFileCount(), 1);
    events.clear();
    writer.ListFolder("\\");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(fieldsOf(events[0])[3], "REPORT.TXT");
    EXPECT_EQ(fieldsOf(events[0])[7], "5000");

    ASSERT_TRUE(writer.AddFolder("\\Docs", (src / "Empty").string()));
    EXPECT_FALSE(writer.AddFile("\\docs", (src / "a.tsy").string()));
    EXPECT_FALSE(writer.AddFile("\\Report.txt\\below.txt", (src / "a.tsy").string()));
    EXPECT_FALSE(writer.AddFile("\\", (src / "a.tsy").string()));
    EXPECT_EQ(writer.ImageFileCount(), 1);
}

TEST_F(WriterImage, MissingSourcesAreFileErrorsAndAddNothing) {
    events.clear();
    EXPECT_FALSE(writer.AddFile("\\gone.tsy", (dir / "gone.tsy").string()));
    EXPECT_FALSE(writer.AddFolder("\\Gone", (dir / "Gone" / "*.*").string()));
    EXPECT_EQ(events, (std::vector<std::string>{"FileError|0|" + (dir / "gone.tsy").string(),
                                                "FileError|0|" + (dir / "Gone").string()}));
    EXPECT_EQ(writer.ImageFileCount(), 0);
    EXPECT_EQ(writer.ImageFolderCount(), 0);
}

TEST_F(WriterImage, RenamesRefuseNamesThatExistAndReportFolderRenames) {
    const fs::path src = makeTree();
    ASSERT_TRUE(writer.AddFolder("\\Backup", src.string()));
    events.clear();
    EXPECT_FALSE(writer.RenameFolder("\\Backup\\Mail", "EMPTY")); // a sibling has the name
    EXPECT_TRUE(writer.RenameFolder("\\Backup\\Mail", "Post"));
    EXPECT_TRUE(writer.RenameFolder("\\Backup\\Post", "POST"));    // a change of case only
    EXPECT_FALSE(writer.RenameFolder("\\Backup\\a.tsy", "b.tsy")); // a file, not a folder
    EXPECT_FALSE(writer.RenameFolder("\\", "Root"));
    EXPECT_FALSE(writer.RenameFolder("\\Backup\\POST", "a\\b"));
    EXPECT_EQ(events, (std::vector<std::string>{"FolderRenamed|\\Backup\\Mail|\\Backup\\Mail|0",
                                                "FolderRenamed|\\Backup\\Mail|\\Backup\\Post|1",
                                                "FolderRenamed|\\Backup\\Post|\\Backup\\POST|1",
                                                "FolderRenamed|\\Backup\\POST|\\Backup\\POST|0"}));
    events.clear();
    EXPECT_TRUE(writer.RenameFile("\\backup\\a.tsy", "old.tsy"));
    EXPECT_FALSE(writer.RenameFile("\\Backup\\old.tsy", "empty"));
    EXPECT_FALSE(writer.RenameFile("\\Backup\\POST", "x"));
    EXPECT_FALSE(writer.RenameFile("\\Backup\\none.tsy", "x"));
    EXPECT_TRUE(events.empty());
    writer.ListFolder("\\Backup\\POST\\Ordner Ü");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(fieldsOf(events[0])[2], "\\Backup\\POST\\Ordner Ü\\Identität.txt");
}

TEST_F(WriterImage, RemovingFoldersAndFiles) {
    const fs::path src = makeTree();
    ASSERT_TRUE(writer.AddFolder("\\Backup", src.string()));
    events.clear();
    EXPECT_TRUE(writer.RemoveItem("\\backup\\mail"));
    EXPECT_TRUE(writer.RemoveItem("\\Backup\\a.tsy"));
    EXPECT_FALSE(writer.RemoveItem("\\Backup\\a.tsy"));
    EXPECT_FALSE(writer.RemoveItem("\\"));
    EXPECT_EQ(events, (std::vector<std::string>{"FolderRemoved|\\Backup\\Mail|Mail|1"}));
    EXPECT_EQ(writer.ImageFileCount(), 0);
    EXPECT_EQ(writer.ImageFolderCount(), 2);
    // The parent stays (libisofs's own tree removal could take it along).
    events.clear();
    EXPECT_TRUE(writer.ListFolder("\\Backup"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(fieldsOf(events[0])[2], "\\Backup\\Empty");
}

TEST_F(WriterImage, SizeCountsAndClearing) {
    const long long empty = writer.ImageBlocks();
    EXPECT_GT(empty, 0);
    writePatternFile(dir / "big.bin", 1000 * 2048 + 1, 9);
    ASSERT_TRUE(writer.AddFile("\\big.bin", (dir / "big.bin").string()));
    const long long withFile = writer.ImageBlocks();
    EXPECT_GE(withFile - empty, 1001);
    EXPECT_LE(withFile - empty, 1001 + 8);
    events.clear();
    writer.ClearImage();
    EXPECT_EQ(events, (std::vector<std::string>{"ImageCleared"}));
    EXPECT_EQ(writer.ImageFileCount(), 0);
    EXPECT_EQ(writer.ImageBlocks(), empty);
}

} // namespace
} // namespace tessaly::test

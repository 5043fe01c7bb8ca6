// FavoritesRoundTripTest.cpp -- favorites exported to a bookmark file and back; the window's two commands.
#include "favorites/BookmarkFileReader.h"
#include "favorites/Favorites.h"
#include "platform/Profile.h"

#include "FavoritesTestKit.h"
#include "RecordingUi.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::favoritesErrorOf;
using test::readFile;
using test::snapshot;
using test::writeFile;
using test::writeShortcut;

class FavoritesRoundTripTest : public ::testing::Test {
protected:
    test::TempDir tmp;
    fs::path favorites = tmp / "Favorites";
    fs::path file = tmp / "favorites.htm";
    const CodePage codePage{1252};

    void makeTree() {
        writeShortcut(favorites / "Example Home.url", "https://www.example.com/", 1600000000);
        writeShortcut(favorites / "Q&A 'single' & more.url", "https://example.com/?a=1&b=\"2\"&c='3'&d=<4>",
                      1600000100);
        writeShortcut(favorites / "Café Ünïcödé/日本語/Deep.url", "https://deep.example.com/ü?q=日本",
                      1600000200);
        writeShortcut(favorites / "Café Ünïcödé/Near.url", "mailto:someone@example.com", 1600000300);
        writeShortcut(favorites / "Links/Search.url", "https://search.example.org/", 1600000400);
        fs::create_directories(favorites / "Empty folder");
        std::error_code ec;
        for (const char* dir : {"Café Ünïcödé/日本語", "Café Ünïcödé", "Links", "Empty folder"})
            setModificationSeconds(favorites / dir, 1500000000, ec);
    }
};

TEST_F(FavoritesRoundTripTest, ExportIsWhatBrowsersReadAndImportIntoAnEmptyFolderGivesTheSameTree) {
    makeTree();
    const FavoritesReport exported = exportFavorites(favorites, file, codePage);
    EXPECT_EQ(exported.links, 5u);
    EXPECT_EQ(exported.folders, 4u);
    EXPECT_TRUE(exported.skipped.empty());
    EXPECT_EQ(exported.summary,
              "The favorites were backed up to " + file.string() + ": 5 favorites in 4 folders.");
    const std::string text = readFile(file);
    // The Links folder is the browsers' toolbar; escaping is the writer's, tested with it.
    EXPECT_NE(text.find("<DT><H3 ADD_DATE=\"1500000000\" PERSONAL_TOOLBAR_FOLDER=\"true\">Links</H3>"),
              std::string::npos);
    // Folders first, then links, each by name.
    EXPECT_LT(text.find(">Café Ünïcödé</H3>"), text.find(">Empty folder</H3>"));
    EXPECT_LT(text.find(">Links</H3>"), text.find(">Example Home</A>"));
    EXPECT_LT(text.find(">Example Home</A>"), text.find(">Q&amp;A"));

    const fs::path other = tmp / "Other/Favorites";
    const FavoritesReport imported = importFavorites(other, file);
    EXPECT_EQ(imported.links, 5u);
    EXPECT_EQ(imported.folders, 4u);
    EXPECT_EQ(imported.replaced, 0u);
    // Names, addresses, the shortcut files' bytes, their times and the folders' times all come back.
    EXPECT_EQ(snapshot(other), snapshot(favorites));
    EXPECT_EQ(snapshot(other).size(), 9u); // 4 folders and 5 shortcuts
}

TEST_F(FavoritesRoundTripTest, ExportPassesOverOtherFilesAndListsWhatItCannotRead) {
    writeShortcut(favorites / "Fine.url", "https://fine.example.com/");
    writeShortcut(favorites / "LOUD.URL", "https://loud.example.com/");
    writeFile(favorites / "desktop.ini", "[.ShellClassInfo]\r\n");
    writeFile(favorites / "Shell link.lnk", "L\0\0\0");
    writeFile(favorites / "Broken.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
    fs::create_directories(tmp / "elsewhere");
    writeShortcut(tmp / "elsewhere/Outside.url", "https://outside.example.com/");
    fs::create_directory_symlink(tmp / "elsewhere", favorites / "Linked");
    fs::create_directory_symlink("..", favorites / "Loop");

    const FavoritesReport report = exportFavorites(favorites, file, codePage);
    EXPECT_EQ(test::outline(parseBookmarkFile(readFile(file)).root),
              "Fine -> https://fine.example.com/\nLOUD -> https://loud.example.com/\n");
    EXPECT_EQ(report.skipped, (std::vector<std::string>{
                                  "Broken.url: the shortcut names no address",
                                  "Linked: a symbolic link to a folder is not followed",
                                  "Loop: a symbolic link to a folder is not followed",
                              }));
    EXPECT_NE(report.summary.find("2 favorites in 0 folders.\n\nNot backed up (3):\nBroken.url: "),
              std::string::npos)
        << report.summary;
}

TEST_F(FavoritesRoundTripTest, AFailedExportLeavesTheFileAsItWas) {
    // A missing favorites folder: FavoritesCommandsTest.AProfileWithoutTheUsersFolderIsReported.
    writeShortcut(favorites / "A.url", "https://a.example.com/");
    const fs::path unwritable = tmp / "no-such-dir/out.htm";
    const std::string error = favoritesErrorOf([&] { exportFavorites(favorites, unwritable, codePage); });
    EXPECT_TRUE(error.starts_with("The favorites could not be backed up to " + unwritable.string() + ": "))
        << error;
    EXPECT_FALSE(fs::exists(tmp / "no-such-dir"));
}

// The sample profile, with the running user's folder linked to the sample user as Tessaly does.
class FavoritesCommandsTest : public ::testing::Test {
protected:
    test::TempDir tmp;
    fs::path prefix = tmp / "profile";
    test::RecordingUi ui;
    std::unique_ptr<ProfileSession> session;

    void SetUp() override {
        test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
        linkSampleUserFolder(prefix, "tester");
        session = std::make_unique<ProfileSession>(Profile{prefix, true, "tester"}, ui);
    }
};

// What the files and folders hold afterwards is checked with exportFavorites and importFavorites above.
TEST_F(FavoritesCommandsTest, BackupAndRestoreShowWhatHappened) {
    const fs::path file = tmp / "favorites.htm";
    ASSERT_TRUE(BackupIEFavorites(*session, ui, file));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "The favorites were backed up to " + file.string() + ": 5 favorites in 4 folders.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
    const fs::path sampleFavorites = prefix / "drive_c/users/sample/Favorites";
    const auto before = snapshot(sampleFavorites);
    const fs::path garbage = tmp / "garbage.htm";
    writeFile(garbage, "MZ\x90\x00\x03 not a bookmark file");
    EXPECT_FALSE(RestoreIEFavorites(*session, ui, garbage));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text,
              "The favorites could not be restored from " + garbage.string() +
                  ": it is not a bookmark file (it does not begin with "
                  "<!DOCTYPE NETSCAPE-Bookmark-file-1>). The favorites were left as they were.");
    EXPECT_EQ(ui.messages[1].icon, MsgIcon::Critical);
    EXPECT_EQ(snapshot(sampleFavorites), before);

    EXPECT_TRUE(RestoreIEFavorites(*session, ui, test::favoritesFixture("windows-browser-style.htm")));
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[2].icon, MsgIcon::Information);
    EXPECT_NE(ui.messages[2].text.find(
                  ": 3 favorites in 2 folders, 2 of them replacing favorites of the same name."),
              std::string::npos)
        << ui.messages[2].text;
}

TEST_F(FavoritesCommandsTest, AProfileWithoutTheUsersFolderIsReported) {
    session = std::make_unique<ProfileSession>(Profile{prefix, true, "nobody"}, ui);
    const fs::path file = tmp / "out.htm";
    writeFile(file, "the previous backup");
    EXPECT_FALSE(BackupIEFavorites(*session, ui, file));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The favorites could not be backed up to " + file.string() +
                                       ": the favorites folder " +
                                       (prefix / "dosdevices/c:/users/nobody/Favorites").string() +
                                       " does not exist. The file was left as it was.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(readFile(file), "the previous backup");
}

} // namespace
} // namespace tessaly

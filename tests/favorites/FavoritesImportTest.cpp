// FavoritesImportTest.cpp -- bookmark files written into a favorites folder: names, merges, all or nothing.
#include "favorites/Favorites.h"

#include "FavoritesTestKit.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::diskOutline;
using test::favoritesErrorOf;
using test::readFile;
using test::snapshot;
using test::writeFile;
using test::writeShortcut;

std::string bookmarkFile(const std::string& list) {
    return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n" + list + "</DL><p>\n";
}

class FavoritesImportTest : public ::testing::Test {
protected:
    test::TempDir tmp;
    fs::path favorites = tmp / "Favorites";
    fs::path file = tmp / "bookmarks.htm";

    void SetUp() override { fs::create_directories(favorites); }

    FavoritesReport importList(const std::string& list, const ShortcutWriter& write = writeShortcutFile) {
        writeFile(file, bookmarkFile(list));
        return importFavorites(favorites, file, write);
    }
};

TEST_F(FavoritesImportTest, ReplacesShortcutsOfTheSameNameAndKeepsTheOthers) {
    writeShortcut(favorites / "Home.url", "https://old.example.com/", 1500000000);
    writeShortcut(favorites / "Keep.url", "https://keep.example.com/");
    writeShortcut(favorites / "news/Old.url", "https://old-news.example.com/");
    writeFile(favorites / "desktop.ini", "[.ShellClassInfo]\r\n");

    const FavoritesReport report =
        importList("<DT><A HREF=\"https://new.example.com/\" ADD_DATE=\"1700000000\">Home</A>\n"
                   "<DT><H3>News</H3><DL><p>\n"
                   "<DT><A HREF=\"https://fresh.example.com/\">Fresh</A>\n"
                   "</DL><p>\n");
    EXPECT_EQ(diskOutline(favorites), "Home.url = https://new.example.com/\n"
                                      "Keep.url = https://keep.example.com/\n"
                                      "desktop.ini (not a shortcut)\n"
                                      "news/\n"
                                      "news/Fresh.url = https://fresh.example.com/\n"
                                      "news/Old.url = https://old-news.example.com/\n");
    EXPECT_EQ(modificationSeconds(favorites / "Home.url"), 1700000000);
    EXPECT_EQ(report.links, 2u);
    EXPECT_EQ(report.folders, 1u);
    EXPECT_EQ(report.replaced, 1u);
    EXPECT_EQ(report.summary,
              "The favorites were restored from " + file.string() +
                  ": 2 favorites in 1 folder, 1 of them replacing a favorite of the same name.");
}

TEST_F(FavoritesImportTest, DatesBeyondWhatFileTimesHoldAreClamped) {
    // The reader takes dates up to 99,999,999,999 seconds (year 5138); file times end far earlier.
    importList("<DT><A HREF=\"https://a.example.com/\" ADD_DATE=\"1700000000\">Now</A>\n"
               "<DT><A HREF=\"https://b.example.com/\" ADD_DATE=\"9300000000\">After 2262</A>\n"
               "<DT><A HREF=\"https://c.example.com/\" ADD_DATE=\"99999999999\">Year 5138</A>\n");
    EXPECT_EQ(modificationSeconds(favorites / "Now.url"), 1700000000);
    // The kernel narrows the time further to the file system's range, which reaches at least 2038.
    for (const char* name : {"After 2262.url", "Year 5138.url"}) {
        EXPECT_GE(modificationSeconds(favorites / name), 2147483647) << name;
        EXPECT_LE(modificationSeconds(favorites / name), kLatestFileSecond) << name;
    }
}

// Titles become valid names (only the cases of the import itself; the rules for names are tested with
// windowsSafeName), names that collide get numbers, and folders of the same name merge.
TEST_F(FavoritesImportTest, NamesAreMadeValidAndCollisionsGetNumbers) {
    writeFile(favorites / "Taken", "a plain file where a folder would go");
    fs::create_directories(favorites / "Clash.url");
    importList("<DT><A HREF=\"https://one.example.com/\">Same</A>\n"
               "<DT><A HREF=\"https://two.example.com/\">Same</A>\n"
               "<DT><A HREF=\"https://three.example.com/\">SAME</A>\n"
               "<DT><H3>Dup</H3><DL><p><DT><A HREF=\"https://x.example.com/\">X</A></DL><p>\n"
               "<DT><H3>dup</H3><DL><p><DT><A HREF=\"https://y.example.com/\">Y</A></DL><p>\n"
               "<DT><H3>Taken</H3><DL><p><DT><A HREF=\"https://z.example.com/\">Z</A></DL><p>\n"
               "<DT><A HREF=\"https://clash.example.com/\">Clash</A>\n"
               "<DT><A HREF=\"https://b.example.com/\">CON</A>\n"
               "<DT><A HREF=\"https://user@www.example.com:8080/x\"></A>\n"
               "<DT><A HREF=\"mailto:someone@example.com\"> </A>\n"
               "<DT><A HREF=\"https://d.example.com/\">...</A>\n"
               "<DT><H3>lpt1</H3><DL><p></DL><p>\n"
               "<DT><H3></H3><DL><p></DL><p>\n");
    EXPECT_EQ(diskOutline(favorites), "CON_.url = https://b.example.com/\n"
                                      "Clash (2).url = https://clash.example.com/\n"
                                      "Clash.url/\n"
                                      "Dup/\n"
                                      "Dup/X.url = https://x.example.com/\n"
                                      "Dup/Y.url = https://y.example.com/\n"
                                      "New Folder/\n"
                                      "SAME (3).url = https://three.example.com/\n"
                                      "Same (2).url = https://two.example.com/\n"
                                      "Same.url = https://one.example.com/\n"
                                      "Taken (2)/\n"
                                      "Taken (2)/Z.url = https://z.example.com/\n"
                                      "Taken (not a shortcut)\n"
                                      "Untitled.url = https://d.example.com/\n"
                                      "lpt1_/\n"
                                      "mailto_someone@example.com.url = mailto:someone@example.com\n"
                                      "www.example.com.url = https://user@www.example.com:8080/x\n");
}

TEST_F(FavoritesImportTest, ImportingTheSameFileTwiceChangesNothingMore) {
    const fs::path fixture = test::favoritesFixture("firefox-style.htm");
    const FavoritesReport first = importFavorites(favorites, fixture);
    const std::string once = diskOutline(favorites);
    const auto before = snapshot(favorites, false);
    const FavoritesReport second = importFavorites(favorites, fixture);
    EXPECT_EQ(diskOutline(favorites), once);
    EXPECT_EQ(snapshot(favorites, false), before); // contents, file times and permissions
    EXPECT_EQ(first.replaced, 0u);
    EXPECT_EQ(second.replaced, second.links);
    EXPECT_EQ(once, "Example & Co.url = https://www.example.com/\n"
                    "Links/\n"
                    "Links/Search.url = https://search.example.org/\n"
                    "Other Bookmarks/\n"
                    "Other Bookmarks/It's the timetable.url = https://rail.example.org/timetable\n"
                    "Reading/\n"
                    "Reading/Daily _News_.url = https://news.example.org/?a=1&b=2\n");
    EXPECT_NE(first.summary.find("Not restored (1):\nRecent Tags: a place: address"), std::string::npos)
        << first.summary;
}

TEST_F(FavoritesImportTest, RefusedFilesChangeNothing) {
    writeShortcut(favorites / "Home.url", "https://old.example.com/", 1500000000);
    writeShortcut(favorites / "Sub/Inner.url", "https://inner.example.com/");
    const auto before = snapshot(favorites);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(test::favoritesFixture("refused")))
        files.push_back(entry.path());
    ASSERT_GE(files.size(), 10u);
    // Good folders first, then nesting deeper than allowed: nothing of the good part is written either.
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "<DT><H3>Level</H3><DL><p>\n<DT><A HREF=\"https://l.example.com/\">L</A>\n";
    writeFile(tmp / "deep.htm", bookmarkFile(deep));
    files.push_back(tmp / "deep.htm");
    for (const fs::path& refused : files) {
        SCOPED_TRACE(refused.filename().string());
        const std::string error = favoritesErrorOf([&] { importFavorites(favorites, refused); });
        EXPECT_TRUE(error.starts_with("The favorites could not be restored from " + refused.string() + ": "))
            << error;
        EXPECT_TRUE(error.ends_with(". The favorites were left as they were.")) << error;
        EXPECT_EQ(snapshot(favorites), before);
    }
    for (const fs::path& odd : {tmp / "missing.htm", tmp.path()}) {
        const std::string error = favoritesErrorOf([&] { importFavorites(favorites, odd); });
        EXPECT_NE(error.find(odd.string() + ": it "), std::string::npos) << error;
        EXPECT_EQ(snapshot(favorites), before);
    }
}

TEST_F(FavoritesImportTest, AWriteThatFailsIsUndoneWhereverItHappens) {
    writeShortcut(favorites / "Home.url", "https://old.example.com/", 1500000000);
    fs::permissions(favorites / "Home.url",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    writeShortcut(favorites / "Sub/Inner.url", "https://inner.example.com/", 1500000100);
    std::error_code ec;
    setModificationSeconds(favorites / "Sub", 1400000000, ec);
    setModificationSeconds(favorites, 1400000000, ec);
    const auto before = snapshot(favorites);
    writeFile(file,
              bookmarkFile("<DT><A HREF=\"https://a.example.com/\">A</A>\n"
                           "<DT><A HREF=\"https://new.example.com/\">Home</A>\n"
                           "<DT><H3>Sub</H3><DL><p>\n"
                           "  <DT><A HREF=\"https://b.example.com/\">Inner</A>\n"
                           "  <DT><H3>New</H3><DL><p><DT><A HREF=\"https://c.example.com/\">C</A></DL><p>\n"
                           "</DL><p>\n"
                           "<DT><A HREF=\"https://d.example.com/\">D</A>\n"));
    const int writes = 5;
    for (int failAt = 1; failAt <= writes; ++failAt) {
        SCOPED_TRACE(failAt);
        int calls = 0;
        const ShortcutWriter failing = [&](const fs::path& path, std::string_view contents) {
            if (++calls == failAt) {
                writeFile(path, "half"); // a write that fails part-way leaves debris behind
                throw std::runtime_error("cannot write " + path.string() + ": No space left on device");
            }
            writeShortcutFile(path, contents);
        };
        const std::string error = favoritesErrorOf([&] { importFavorites(favorites, file, failing); });
        EXPECT_NE(error.find("No space left on device. The favorites were left as they were."),
                  std::string::npos)
            << error;
        EXPECT_EQ(snapshot(favorites), before);
    }
    const FavoritesReport report = importFavorites(favorites, file);
    EXPECT_EQ(report.links, static_cast<std::size_t>(writes));
    EXPECT_EQ(report.replaced, 2u);
}

TEST_F(FavoritesImportTest, AMissingFavoritesFolderIsMadeAndRemovedAgainOnFailure) {
    const fs::path user = tmp / "users/someone";
    const fs::path missing = user / "Favorites";
    writeFile(file,
              bookmarkFile("<DT><H3 ADD_DATE=\"1600000000\" LAST_MODIFIED=\"1650000000\">F</H3><DL><p>\n"
                           "<DT><A HREF=\"https://a.example.com/\" ADD_DATE=\"1600000100\">A</A>\n"
                           "</DL><p>\n"));
    const ShortcutWriter failing = [](const fs::path&, std::string_view) {
        throw std::runtime_error("Input/output error");
    };
    EXPECT_NE(favoritesErrorOf([&] { importFavorites(missing, file, failing); }).find("Input/output error"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(tmp / "users"));

    importFavorites(missing, file);
    EXPECT_EQ(diskOutline(missing), "F/\nF/A.url = https://a.example.com/\n");
    EXPECT_EQ(modificationSeconds(missing / "F"), 1650000000);
    EXPECT_EQ(modificationSeconds(missing / "F/A.url"), 1600000100);
}

TEST_F(FavoritesImportTest, AFavoritesFolderThatIsAFileIsReported) {
    const fs::path notAFolder = tmp / "file-not-folder";
    writeFile(notAFolder, "x");
    writeFile(file, bookmarkFile("<DT><A HREF=\"https://a.example.com/\">A</A>\n"));
    const std::string error = favoritesErrorOf([&] { importFavorites(notAFolder, file); });
    EXPECT_NE(error.find("the favorites folder " + notAFolder.string() + " is not a folder"),
              std::string::npos)
        << error;
    EXPECT_EQ(readFile(notAFolder), "x");
}

} // namespace
} // namespace tessaly

// FavoritesBookmarkFileTest.cpp -- reading bookmark files as browsers write them, and refusing the rest.
#include "favorites/BookmarkEntities.h"
#include "favorites/BookmarkFileReader.h"
#include "favorites/BookmarkFileWriter.h"

#include "FavoritesTestKit.h"

#include <gtest/gtest.h>

#include <random>

namespace tessaly {
namespace {

using test::favoritesFixture;
using test::outline;
using test::readFile;

std::string errorOf(std::string_view bytes) {
    return test::favoritesErrorOf([&] { parseBookmarkFile(bytes); });
}

TEST(BookmarkFileReaderTest, QuirksOfRealFiles) {
    const struct {
        const char* fixture;
        const char* tree;
        std::vector<std::string> skipped;
    } cases[] = {
        {"firefox-style.htm",
         "Example & Co -> https://www.example.com/\n"
         "Reading/\n"
         "  Daily \"News\" -> https://news.example.org/?a=1&b=2 -- Headlines, read every morning\n"
         "Bookmarks Toolbar/ [toolbar]\n"
         "  Search -> https://search.example.org/\n"
         "Other Bookmarks/\n"
         "  It's the timetable -> https://rail.example.org/timetable\n",
         {"Recent Tags: a place: address is a query of one browser, not a web address"}},
        {"chromium-style.htm",
         "Bookmarks bar/ [toolbar]\n"
         "  Mail -> https://mail.example.com/\n"
         "  Work/\n"
         "    Wiki — Page 7 -> https://wiki.example.com/page?id=7&lang=en\n"
         "Other bookmarks/\n"
         "  Café Menü -> https://café.example.com/menü\n",
         {}},
        {"windows-browser-style.htm",
         "Links/\n"
         "  Portal -> https://portal.example.com/\n"
         "Mail Help/\n"
         "  Using identities -> https://help.example.com/mail/identities\n"
         "Example Home -> https://www.example.com/\n",
         {}},
        {"lowercase-and-unquoted-attributes.htm",
         "One -> https://one.example.com/a?x=1\n"
         "Two -> https://two.example.com/\n"
         "Folder/\n"
         "  Three -> https://three.example.com/\n",
         {}},
        {"closed-dt-and-p-tags.htm",
         "Tools/\n"
         "  Tools home -> https://tools.example.com/\n"
         "Home -> https://www.example.com/\n",
         {}},
        {"named-entities.htm",
         // "&copy=2" stays in the address; "&not" at its end is read as "¬", as a browser reads it.
         "Café — €5 © 2024 … -> https://shop.example.com/?q=a&sort=price&copy=2¬\n"
         "<b> \"quoted\" 'single' \u00A0nbsp &unknown; AT&T -> https://x.example.com/\n",
         {}},
        {"numeric-entities.htm", "ééé 😀 – € \uFFFD \uFFFD \uFFFD A -> https://num.example.com/#frag\n", {}},
        {"descriptions.htm",
         "Recipes/ -- Things to cook on weekends\n"
         "  Bread -> https://food.example.com/bread -- Sourdough & rye\n"
         "  Soup -> https://food.example.com/soup\n"
         "Food -> https://food.example.com/ -- The whole site\n",
         {}},
        {"separators.htm",
         "A -> https://a.example.com/\n"
         "B -> https://b.example.com/\n"
         "Folder/\n"
         "  C -> https://c.example.com/\n",
         {}},
        {"nested-and-empty-folders.htm",
         "L1/\n  L2/\n    L3/\n      L4/\n        L5/\n          Deep -> https://deep.example.com/\n"
         "Empty with list/\n"
         "Empty without list/\n"
         "After -> https://after.example.com/\n",
         {}},
        {"list-without-heading.htm",
         "A -> https://a.example.com/\nB -> https://b.example.com/\nC -> https://c.example.com/\n",
         {}},
        {"utf8-byte-order-mark.htm", "Straße -> https://bom.example.com/\n", {}},
        {"windows-1252-declared.htm", "Café € – -> https://latin.example.com/\n", {}},
        {"utf16-byte-order-mark.htm", "Über 日本 -> https://wide.example.com/\n", {}},
        {"title-markup-and-line-breaks.htm",
         "Spread over lines -> https://a.example.com/\n"
         "With bold and break -> https://b.example.com/\n"
         "Never closed -> https://c.example.com/\n"
         "Folder never closed/\n"
         "  Inside -> https://d.example.com/\n"
         "a < b -> https://e.example.com/\n",
         {}},
        {"duplicate-attributes.htm", "First wins -> https://first.example.com/\n", {}},
        {"comment-before-doctype.htm", "Late doctype -> https://late.example.com/\n", {}},
        {"refused-addresses.htm",
         "Kept/\n"
         "  Line break in address -> https://kept.example.com/            wrapped\n"
         "  FTP -> ftp://files.example.com/pub/\n"
         "  Mail someone -> mailto:someone@example.com\n",
         {"Bookmarklet: a javascript: address runs script and is not imported",
          "Shouting script: a javascript: address runs script and is not imported",
          "Old script: a vbscript: address runs script and is not imported",
          "Data page: a data: address runs script and is not imported",
          "Most Visited: a place: address is a query of one browser, not a web address",
          "No address: it has no address", "Empty address: it has no address",
          "Relative: its address \"/relative/path\" is not a full web address",
          "Control character: its address holds control characters"}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.fixture);
        const BookmarkFile file = parseBookmarkFile(readFile(favoritesFixture(tc.fixture)));
        EXPECT_EQ(outline(file.root), tc.tree);
        EXPECT_EQ(file.skipped, tc.skipped);
    }
}

TEST(BookmarkFileReaderTest, DatesAreSecondsWhateverUnitTheFileUses) {
    const BookmarkFile file =
        parseBookmarkFile(readFile(favoritesFixture("dates-in-milli-and-microseconds.htm")));
    ASSERT_EQ(file.root.children.size(), 4u);
    for (int i : {0, 1, 2}) // seconds, milliseconds, microseconds
        EXPECT_EQ(file.root.children[i].addDate, 1700000000) << i;
    EXPECT_EQ(file.root.children[3].addDate, 0);
    EXPECT_EQ(file.root.children[3].lastModified, 0);

    const BookmarkFile firefox = parseBookmarkFile(readFile(favoritesFixture("firefox-style.htm")));
    EXPECT_EQ(firefox.root.children[1].addDate, 1700000200); // the folder "Reading"
    EXPECT_EQ(firefox.root.children[1].lastModified, 1700000300);
}

TEST(BookmarkFileReaderTest, FilesThatAreNotBookmarkFilesOrAreDamagedAreRefused) {
    const struct {
        const char* fixture;
        const char* reason;
    } cases[] = {
        {"not-a-bookmark-file.htm", "it is not a bookmark file"},
        {"json-bookmarks.htm", "it is not a bookmark file"},
        {"empty.htm", "it is not a bookmark file"},
        {"cut-off-inside-tag.htm", "it ends inside a tag that begins on line 4; the file may be cut off"},
        {"cut-off-inside-attribute-value.htm", "it ends inside an attribute value that begins on line 4"},
        {"cut-off-inside-comment.htm", "it ends inside a comment that begins on line 4"},
        {"list-never-closed.htm", "it ends before the folder \"Open\" is closed (a </DL> is missing)"},
        {"not-utf8-without-charset.htm", "it is not UTF-8 text (line 4 holds bytes that are not UTF-8)"},
        {"nul-byte.htm", "it is not a text file (line 3 holds a NUL byte)"},
        {"unknown-charset.htm", "it is written in the character set \"x-no-such-set\", which is not known"},
        {"utf16-cut-inside-character.htm", "it is not valid UTF-16LE text (it ends inside a character)"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.fixture);
        const std::string error =
            errorOf(readFile(test::favoritesFixture(std::string("refused/") + tc.fixture)));
        EXPECT_NE(error.find(tc.reason), std::string::npos) << error;
    }
}

TEST(BookmarkFileReaderTest, NestingIsLimited) {
    const auto nested = [](std::size_t depth) {
        std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (std::size_t i = 0; i < depth; ++i)
            text += "<DT><H3>F" + std::to_string(i) + "</H3>\n<DL><p>\n";
        text += "<DT><A HREF=\"https://deep.example.com/\">Deep</A>\n";
        for (std::size_t i = 0; i <= depth; ++i)
            text += "</DL><p>\n";
        return text;
    };
    const BookmarkFile deepest = parseBookmarkFile(nested(kMaxBookmarkDepth));
    const BookmarkNode* node = &deepest.root;
    for (std::size_t i = 0; i < kMaxBookmarkDepth; ++i) {
        ASSERT_EQ(node->children.size(), 1u);
        node = &node->children[0];
    }
    EXPECT_EQ(outline(*node), "Deep -> https://deep.example.com/\n");

    EXPECT_NE(errorOf(nested(kMaxBookmarkDepth + 1)).find("nested more than 64 deep"), std::string::npos);
    // A hundred thousand open lists are refused as quickly, not followed into the stack.
    std::string hostile = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n";
    for (int i = 0; i < 100000; ++i)
        hostile += "<DL>";
    EXPECT_NE(errorOf(hostile).find("nested more than"), std::string::npos);
}

TEST(BookmarkFileReaderTest, TagSoupReadsBackAsWritten) {
    std::mt19937 random(20240514);
    // Random mixes of the format's own pieces: whatever is read must be written and read back alike.
    const std::vector<std::string> pieces = {"<DL>",  "<p>",         "</DL>",      "<DT>",
                                             "<H3>",  "</H3>",       "<A HREF=\"", "https://x.example.com/",
                                             "\">",   "</A>",        "<DD>",       "<HR>",
                                             "&amp;", "&#233;",      "&copy",      "text",
                                             " ",     "\n",          "<",          ">",
                                             "\"",    "'",           "=",          "<!-- c -->",
                                             "<B>",   "javascript:", "ADD_DATE=7 "};
    int read = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n";
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i)
            text += pieces[random() % pieces.size()];
        BookmarkFile file;
        try {
            file = parseBookmarkFile(text);
        } catch (const FavoritesError&) {
            continue;
        }
        ++read;
        const BookmarkFile again = parseBookmarkFile(formatBookmarkFile(file.root));
        ASSERT_EQ(outline(again.root), outline(file.root)) << text;
        EXPECT_TRUE(again.skipped.empty());
    }
    EXPECT_GT(read, 100); // the mix must reach the tree builder, not only the refusals
}

TEST(BookmarkEntitiesTest, DecodingLikeABrowser) {
    const struct {
        const char* in;
        bool inAttribute;
        const char* out;
    } cases[] = {
        {"a &amp; b", false, "a & b"},
        {"&AMP; &Amp;", false, "& &Amp;"}, // names are case-sensitive; only the listed forms count
        {"&eacute;&Eacute;", false, "éÉ"},
        {"&eacute", false, "é"},
        {"&notin;", false, "¬in;"},
        {"&mdash", false, "&mdash"}, // not a legacy name: needs its ';'
        {"?a=1&copy=2", true, "?a=1&copy=2"},
        {"?a=1&copy;=2", true, "?a=1©=2"},
        {"&copy 2024", true, "© 2024"},
        {"&#38;&#x26;&#X26", false, "&&&"},
        {"&#;&#x;&#", false, "&#;&#x;&#"},
        {"&#99999999999999;", false, "\uFFFD"},
        {"&#x80;&#x9F;&#x81;", false, "€Ÿ\xC2\x81"},
        {"& lone", false, "& lone"},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(decodeEntities(tc.in, tc.inAttribute), tc.out) << tc.in;
    EXPECT_EQ(escapeHtml("<a href=\"x&y\">'</a>"), "&lt;a href=&quot;x&amp;y&quot;&gt;'&lt;/a&gt;");
}

TEST(BookmarkFileWriterTest, WrittenFilesReadBackAndCarryTheFormatsMarks) {
    using Kind = BookmarkNode::Kind;
    // Kind, name, address, description, added, modified, toolbar, children.
    const BookmarkNode link{Kind::Link,
                            "Q&A <\"quoted\"> — ünï",
                            "https://example.com/?a=1&b=\"2\"&c=<3>",
                            "said \"so\" & more",
                            1700000123,
                            0,
                            false,
                            {}};
    BookmarkNode root;
    root.children = {{Kind::Folder, "Links", "", "", 1700000000, 0, true, {link}},
                     {Kind::Folder, "Empty", "", "", 0, 0, false, {}}};

    const std::string text = formatBookmarkFile(root);
    EXPECT_TRUE(text.starts_with("<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"));
    EXPECT_NE(text.find("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"),
              std::string::npos);
    EXPECT_NE(
        text.find("<DT><H3 ADD_DATE=\"1700000000\" PERSONAL_TOOLBAR_FOLDER=\"true\">Links</H3>\r\n"
                  "    <DL><p>\r\n"
                  "        <DT><A HREF=\"https://example.com/?a=1&amp;b=&quot;2&quot;&amp;c=&lt;3&gt;\" "
                  "ADD_DATE=\"1700000123\">Q&amp;A &lt;&quot;quoted&quot;&gt; — ünï</A>\r\n"
                  "        <DD>said &quot;so&quot; &amp; more\r\n"
                  "    </DL><p>\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("<DT><H3>Empty</H3>\r\n    <DL><p>\r\n    </DL><p>\r\n"), std::string::npos) << text;

    const BookmarkFile back = parseBookmarkFile(text);
    EXPECT_EQ(outline(back.root), outline(root));
    EXPECT_EQ(back.root.children[0].children[0].addDate, 1700000123);
}

} // namespace
} // namespace tessaly

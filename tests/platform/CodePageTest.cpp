// CodePageTest.cpp -- text between UTF-8 and ANSI code pages, and numbers as text: exact halves round up as
// written, whatever the nearest double is; byte counts.
#include "platform/CodePage.h"
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <stdexcept>

namespace tessaly {
namespace {

// Which way a case converts: lossy cases check only the direction that loses something.
enum class Way { Both, ToAnsi, FromAnsi };

struct Conversion {
    const char* name;
    unsigned codePage;
    std::string utf8;
    std::string ansi;
    Way way = Way::Both;
};

TEST(CodePage, Conversions) {
    const Conversion cases[] = {
        // Both ways without loss.
        {"ascii", 1252, "Main Identity", "Main Identity"},
        {"empty", 1252, "", ""},
        {"latin1", 1252, "caf\xC3\xA9 na\xC3\xAFve", "caf\xE9 na\xEFve"},
        {"euro", 1252, "\xE2\x82\xACz", "\x80z"},
        {"quotes", 1252, "\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},
        {"control", 1252, std::string("a\r\nb\0c", 7), std::string("a\r\nb\0c", 7)},
        {"cyrillic", 1251, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"kanji", 932, "\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B"},
        {"kanji backslash", 932, "C:\\\xE6\x97\xA5", "C:\\\x93\xFA"},
        {"utf8", 65001, "\xC3\xA9\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},
        // Text that cannot be carried turns into '?', and the rest of the text survives.
        {"kanji in 1252", 1252, "a\xE6\x97\xA5\xE6\x9C\xACz", "a??z", Way::ToAnsi},
        {"emoji in 1252", 1252, "x\xF0\x9F\x98\x80y", "x?y", Way::ToAnsi},
        {"cut sequence at end", 1252, "ab\xC3", "ab?", Way::ToAnsi},
        {"stray continuation", 1252, "a\x80\xBFz", "a??z", Way::ToAnsi},
        {"overlong slash", 1252, "\xC0\xAFx", "??x", Way::ToAnsi},
        {"encoded surrogate", 1252, "\xED\xA0\x80\xC3\xA9", "???\xE9", Way::ToAnsi},
        {"beyond unicode", 1252, "\xF4\x90\x80\x80", "????", Way::ToAnsi},
        {"invalid then unrepresentable", 1252, "\xFF\xE6\x97\xA5\xC3\xA9", "??\xE9", Way::ToAnsi},
        {"latin in 1251", 1251, "\xC3\xA9\xD0\x9F", "?\xCF", Way::ToAnsi},
        {"invalid bytes in 65001", 65001, "a\xFFz", "a?z", Way::ToAnsi},
        {"undefined bytes of 1252", 1252, "a?z?y??", "a\x81z\x8Dy\x8F\x90", Way::FromAnsi},
        {"undefined byte of 1251", 1251, "?x", "\x98x", Way::FromAnsi},
        {"lone lead byte at end", 932, "ab?", "ab\x93", Way::FromAnsi},
        {"lead byte with bad trail", 932, "?\x7F", "\x81\x7F", Way::FromAnsi},
        {"invalid bytes in 65001", 65001, "a?z", "a\xFFz", Way::FromAnsi},
    };
    for (const Conversion& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " (code page " + std::to_string(c.codePage) + ")");
        std::optional<CodePage> cp;
        try {
            cp.emplace(c.codePage);
        } catch (const std::runtime_error&) {
            std::printf("iconv has no code page %u: %s not checked\n", c.codePage, c.name);
            continue;
        }
        if (c.way != Way::FromAnsi) {
            EXPECT_EQ(cp->toAnsi(c.utf8), c.ansi);
        }
        if (c.way != Way::ToAnsi) {
            EXPECT_EQ(cp->fromAnsi(c.ansi), c.utf8);
        }
    }
}

TEST(CodePage, DefaultIs1252) {
    CodePage cp;
    EXPECT_EQ(cp.number(), 1252u);
    EXPECT_EQ(cp.toAnsi("\xE2\x82\xAC"), "\x80");
}

TEST(CodePage, UnknownNumbersAreRefusedNamingTheNumber) {
    for (unsigned number : {0u, 1u, 4711u, 99999u}) {
        try {
            CodePage cp(number);
            ADD_FAILURE() << "code page " << number << " was accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(std::to_string(number)), std::string::npos) << e.what();
        }
    }
}

TEST(CodePage, LongTextGoesThroughWhole) {
    // Longer than the conversion buffer, with replacements spread through it.
    std::string utf8, ansi;
    for (int i = 0; i < 5000; ++i) {
        utf8 += "\xC3\xA9z\xE6\x97\xA5";
        ansi += "\xE9z?";
    }
    CodePage cp(1252);
    EXPECT_EQ(cp.toAnsi(utf8), ansi);

    std::string back;
    for (int i = 0; i < 5000; ++i)
        back += "\xC3\xA9z?";
    EXPECT_EQ(cp.fromAnsi(ansi), back);
}

TEST(CodePage, CopiesConvertIndependently) {
    CodePage a(1252);
    CodePage b = a;
    EXPECT_EQ(a.toAnsi("\xC3\xA9\xF0\x9F\x98\x80"), "\xE9?");
    EXPECT_EQ(b.fromAnsi("\xE9\x81"), "\xC3\xA9?");
    EXPECT_EQ(b.number(), 1252u);
}

TEST(NumberText, ExactHalvesRoundAwayFromZeroAsWritten) {
    struct Case {
        double value;
        const char* pattern;
        const char* expected;
    } const cases[] = {
        // Each of these lies just below its half as a double; printf and llround give the lower text.
        {1.005, "###,###,##0.00", "1.01"},
        {1005 / 1000.0, "###,###,##0.00", "1.01"},
        {2.675, "0.00", "2.68"},
        {0.285, "#,##0.00", "0.29"},
        {1449 / 1380.0, "#.0", "1.1"},
        // Exact binary halves (megabytes of whole blocks): printf rounds these to even.
        {64 * 2048 / 1048576.0, "0.00 MB", "0.13 MB"},
        {0.5, "#", "1"},
        {-1.005, "0.00", "-1.01"},
        {9.995, "#,##0.00", "10.00"},
        {999999.995, "#,##0.00", "1,000,000.00"},
        {1.0049, "0.00", "1.00"},
        // The patterns of the disc windows: grouping, optional and required digits, text after them.
        {0, "###,###,##0.00", "0.00"},
        {1234567890123.0, "###,###,##0.00", "1,234,567,890,123.00"},
        {4482.5, "#,##0.00", "4,482.50"},
        {4482.25, "#########0.#0 MB", "4482.25 MB"},
        {0, "#########0.#0 MB", "0.00 MB"},
        {40.09, "#", "40"},
        {0, "#", ""},
        {0.5, "#.0", ".5"},
        {5, "0#", "05"},
        {123, "0#", "123"},
        {0, "0#", "00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(NumberText, SizeTexts) {
    EXPECT_EQ(sizeText(0), "0 bytes");
    EXPECT_EQ(sizeText(1023), "1023 bytes");
    EXPECT_EQ(sizeText(1024), "1.0 KB");
    EXPECT_EQ(sizeText(1536 + 51), "1.5 KB");
    EXPECT_EQ(sizeText(300ull * 1024 * 1024), "300.0 MB");
    EXPECT_EQ(sizeText(1024ull * 1024 * 1024 * 5 / 2), "2.5 GB");
}

} // namespace
} // namespace tessaly

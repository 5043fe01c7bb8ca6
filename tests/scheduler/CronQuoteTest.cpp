// CronQuoteTest.cpp -- any text survives a crontab line, cron's "%" handling and /bin/sh unchanged.
#include "scheduler/CronQuote.h"

#include "SchedulerTestSupport.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

const std::vector<std::string> kHardValues = {
    "",
    "plain",
    "two  blanks  ",
    "; $HOME % * \"",
    "%",
    "%%",
    "\\%",
    "\\\\%",
    "\\",
    "ends in a backslash\\",
    "\\\\server\\share\\b.tsy",
    "'",
    "'\"'\"'",
    "$(touch /tmp/tessaly-should-not-exist)",
    "`id`",
    "\ttab",
    "\xc3\xbc"
    "n\xc3\xaf c\xc3\xb8"
    "d\xc3\xa9 \xe2\x82\xac",
    "a;b|c&d>e<f",
    "#not a comment",
    "*",
    "~",
    "!x ${HOME}",
};

TEST(CronQuote, EveryValueReachesTheProgramExactly) {
    test::TempDir home;
    for (bool fold : {false, true}) {
        for (const std::string& value : kHardValues) {
            std::string line = "30 9 * * 1 /usr/bin/printf " + QuoteForCron("%s") + " " + QuoteForCron(value);
            std::string command = test::CommandAsCronRunsIt(line, fold);
            auto r = test::RunAsCron(command, home.path());
            EXPECT_EQ(r.exitCode, 0) << line << r.err;
            EXPECT_EQ(r.out, value) << "line: " << line << (fold ? " (folding cron)" : "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/tessaly-should-not-exist"));
}

TEST(CronQuote, OurReaderAgreesWithTheShell) {
    for (const std::string& value : kHardValues) {
        std::string command = "WINEPREFIX=" + QuoteForCron(value) + " " + QuoteForCron("/p/t") + " " +
                              QuoteForCron(value) + "; " + QuoteForCron("/p/cli") + " schedule remove 4";
        std::string rest;
        auto words = SplitShellWords(TranslateCronPercents(command).command, &rest);
        ASSERT_TRUE(words) << command;
        ASSERT_EQ(words->size(), 3u) << command;
        EXPECT_EQ((*words)[0], "WINEPREFIX=" + value);
        EXPECT_EQ((*words)[1], "/p/t");
        EXPECT_EQ((*words)[2], value);
        auto removal = SplitShellWords(rest);
        ASSERT_TRUE(removal);
        EXPECT_EQ(*removal, (std::vector<std::string>{"/p/cli", "schedule", "remove", "4"}));
    }
    EXPECT_FALSE(SplitShellWords("'unterminated"));
    EXPECT_FALSE(SplitShellWords("\"unterminated"));
    EXPECT_EQ(*SplitShellWords("a\\ b \"c \\\"d\" # e f"), (std::vector<std::string>{"a b", "c \"d"}));
}

TEST(CronQuote, LineBreaksCannotBeCarried) {
    for (const std::string& value : {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)})
        EXPECT_THROW(QuoteForCron(value), std::invalid_argument);
}

TEST(CronQuote, PercentSignsAsCronTreatsThem) {
    struct Case {
        std::string part, command, input;
    };
    const std::vector<Case> cases = {{"echo a%b%c", "echo a", "b\nc\n"},
                                     {"echo a\\%b", "echo a%b", ""},
                                     {"echo a\\\\%b", "echo a\\\\", "b\n"},
                                     {"echo 'x\\y'", "echo 'x\\y'", ""},
                                     {"echo %", "echo ", "\n"}};
    for (const Case& c : cases) {
        CronCommand cron = TranslateCronPercents(c.part);
        EXPECT_EQ(cron.command, c.command) << c.part;
        EXPECT_EQ(cron.input, c.input) << c.part;
        EXPECT_EQ(test::CommandAsCronRunsIt("* * * * * " + c.part), c.command) << c.part;
    }
}

} // namespace
} // namespace tessaly

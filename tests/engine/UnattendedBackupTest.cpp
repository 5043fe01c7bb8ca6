// UnattendedBackupTest.cpp -- the scheduled command line, taken apart by position, and a run without windows.
#include "engine/UnattendedBackup.h"
#include "backupfile/InfoFile.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace test;
using UnattendedRun = OnSample;

struct GrammarCase {
    std::string line;
    bool parses;
    UnattendedCommand expected;
};

TEST(UnattendedGrammar, PiecesByPosition) {
    const std::vector<GrammarCase> cases = {
        {" sf={A}xm=11111111ps=bf=/b/x.tsy", true, {"{A}", "11111111", "", "/b/x.tsy"}},
        {" sf={A}xm=10010000ps=pwbf=/b/with blank.tsy", true, {"{A}", "10010000", "pw", "/b/with blank.tsy"}},
        // A password holding "=" shifts the pieces: the path comes from the wrong one.
        {" sf={A}xm=11111111ps=pass=wordbf=/b/x.tsy", true, {"{A}", "11111111", "pa", "word"}},
        {" sf={A}xm=11111111ps=p=qbf=/b/x.tsy", false, {}}, // "p" is too short to end with a key name
        {" sf={A}xm=11111111ps=pwbf=", true, {"{A}", "11111111", "pw", ""}},
        {" sf={A}xm=11111111ps=pw", false, {}},
        {"", false, {}},
        {" sf={A}xm=1ps=x=", false, {}},
        {" sf={A}xm=1ps=xybf=", true, {"{A}", "1", "xy", ""}},
        {" sf=xm=1ps=pwbf=/x", true, {"", "1", "pw", "/x"}},
        {" sf=xxm=11ps=pwbf=/x", true, {"x", "11", "pw", "/x"}},
    };
    for (const GrammarCase& c : cases) {
        std::string error;
        auto parsed = ParseUnattendedCommandLine(c.line, &error);
        ASSERT_EQ(parsed.has_value(), c.parses) << c.line << " " << error;
        if (!parsed) {
            EXPECT_FALSE(error.empty()) << c.line;
            continue;
        }
        const UnattendedCommand& e = c.expected;
        EXPECT_EQ(std::tie(parsed->identityKey, parsed->itemMask, parsed->password, parsed->backupFile),
                  std::tie(e.identityKey, e.itemMask, e.password, e.backupFile))
            << c.line;
    }
}

TEST(UnattendedGrammar, MaskCharactersOtherThanOneCountAsZero) {
    auto items = ItemsOfMask("1x1?1");
    EXPECT_EQ(items, (std::array<bool, 8>{true, false, true, false, true, false, false, false}));
    EXPECT_EQ(ItemsOfMask(""), (std::array<bool, 8>{}));
}

TEST(UnattendedGrammar, ProtectionVariableIsStrongCompatibleOrUnset) {
    const std::vector<std::pair<const char*, std::optional<Protection>>> cases = {
        {nullptr, Protection::Compatible},
        {"", Protection::Compatible},
        {"compatible", Protection::Compatible},
        {"strong", Protection::Strong},
        {"Strong", std::nullopt},
        {"strong ", std::nullopt},
        {"weak", std::nullopt}};
    for (const auto& [value, expected] : cases) {
        std::string error;
        EXPECT_EQ(ProtectionOfVariable(value, &error), expected) << (value ? value : "(unset)");
        EXPECT_EQ(error.empty(), expected.has_value()) << error;
    }
}

// The details of a scheduled file and a run without a path are checked through the program.
TEST_F(UnattendedRun, EightZerosStillWriteAFileWithOnlyTheInfoFile) {
    std::string message;
    UnattendedCommand command{kIdA, "00000000", "pw", (dir / "z.tsy").string()};
    ASSERT_TRUE(RunUnattendedBackup(*p.session, p.state, p.ui, command, &message)) << message;
    EXPECT_EQ(p.state.AutoItemFlags, "00000000");
    EXPECT_TRUE(p.ui.messages.empty());
    p.state.rtPassword = "pw";
    InspectionView view = p.restorer().inspect(dir / "z.tsy");
    EXPECT_EQ(view.note, "Auto Backup");
    EXPECT_EQ(p.state.ItemFlags, "00000000");
}

} // namespace
} // namespace tessaly

// HistoryCliTest.cpp -- tessaly-cli backup --keep/--accept-shrink, history and restore --from on real files:
// a message store emptied between two runs is caught, the earlier backup pinned, and both are listed.
#include "CliKit.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::writeFile;

const std::string kInbox = "drive_c/users/sample/Local Settings/Application Data/Identities/"
                           "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}/Microsoft/Outlook Express/Inbox.dbx";

std::string storeBytes(std::uint32_t messages, size_t size) {
    std::string bytes(size, 'm');
    bytes.replace(0, 4, "\xCF\xAD\x12\xFE");
    for (int i = 0; i < 4; ++i)
        bytes[0xC4 + i] = static_cast<char>((messages >> (8 * i)) & 0xFF);
    return bytes;
}

class HistoryCli : public test::SampleProfileCli {
protected:
    std::filesystem::path target = dir / "b.tsy";
    void SetUp() override {
        SampleProfileCli::SetUp();
        env.insert({{"TZ", "UTC0"}, {"TESSALY_KEEP", std::nullopt}});
        env["TESSALY_PASSWORD"] = "pw";
    }
    // Day d of December 2026 at 03:00 UTC.
    test::RunResult cli(const std::vector<std::string>& args, int day = 1) {
        env["TESSALY_TEST_CLOCK"] = std::to_string(1796094000 + (day - 1) * 86400);
        return SampleProfileCli::cli(args);
    }
    test::RunResult backup(int day, std::vector<std::string> extra = {"--keep", "3l"}) {
        std::vector<std::string> args = {"backup",   "--identity", "Main Identity", "--items",
                                         "messages", "--out",      target.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args, day);
    }
};

TEST_F(HistoryCli, AnEmptiedStoreIsCaughtPinnedListedAndAcceptedOnRequest) {
    writeFile(prefix / kInbox, storeBytes(30, 6000));
    ASSERT_EQ(backup(1).exitCode, 0);
    ASSERT_EQ(backup(2).exitCode, 0);
    const std::string good = readFile(target);

    writeFile(prefix / kInbox, storeBytes(0, 0x200));
    auto suspect = backup(3);
    EXPECT_EQ(suspect.exitCode, 1) << suspect.err;
    EXPECT_NE(suspect.err.find("Inbox.dbx: 0 messages, was 30"), std::string::npos) << suspect.err;
    EXPECT_NE(suspect.err.find("b.2026-12-03_030000.suspect.tsy"), std::string::npos) << suspect.err;
    EXPECT_EQ(readFile(target), good);
    EXPECT_EQ(readFile(dir / "b.2026-12-02_030000.keep.tsy"), good);

    auto history = cli({"history", target.string()});
    EXPECT_EQ(history.exitCode, 0) << history.err;
    const std::string expected[] = {
        "2026-12-03 03:00:00 ", "items 00010000  messages ",
        "Inbox.dbx 0, ",        "  suspect  b.2026-12-03_030000.suspect.tsy\n",
        "2026-12-02 03:00:00 ", "items 00010000  messages ",
        "Inbox.dbx 30, ",       "  current  b.tsy\n",
        "2026-12-02 03:00:00 ", "  pinned  b.2026-12-02_030000.keep.tsy\n",
        "2026-12-01 03:00:00 ", "  earlier  b.2026-12-01_030000.tsy\n",
    };
    size_t at = 0;
    for (const std::string& part : expected) {
        size_t found = history.out.find(part, at);
        ASSERT_NE(found, std::string::npos) << "\"" << part << "\" after " << at << " in\n" << history.out;
        at = found + part.size();
    }

    auto from = cli({"restore", target.string(), "--from", "2026-12-01", "--identity", "Work", "--yes"});
    EXPECT_EQ(from.exitCode, 0) << from.err;
    EXPECT_NE(from.err.find("restoring from " + (dir / "b.2026-12-01_030000.tsy").string()),
              std::string::npos)
        << from.err;
    auto none = cli({"restore", target.string(), "--from", "2026-11-30", "--identity", "Work", "--yes"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no complete version"), std::string::npos) << none.err;

    // --full compresses every store again instead of taking the unchanged ones over.
    auto accepted = backup(4, {"--keep", "3l", "--accept-shrink", "--full"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_NE(readFile(target), good);
    // 3 last: the 4th, the 2nd and the 1st; the pinned and the suspect file stay whatever the policy.
    for (const char* name : {"b.2026-12-02_030000.tsy", "b.2026-12-01_030000.tsy",
                             "b.2026-12-02_030000.keep.tsy", "b.2026-12-03_030000.suspect.tsy"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;

    auto pin = cli({"history", "pin", (dir / "b.2026-12-01_030000.tsy").string()});
    EXPECT_EQ(pin.exitCode, 0) << pin.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "b.2026-12-01_030000.keep.tsy"));
}

} // namespace
} // namespace tessaly

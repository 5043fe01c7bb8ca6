// PreviousBackupTest.cpp -- runs that take over the unchanged message stores of the previous backup (the
// file they write is a normal backup, and every kind of mismatch compresses the store again); runs
// without a policy, shrunk message stores, and the re-read that catches a damaged file.
#include "engine/PreviousBackup.h"
#include "backupfile/BackupContainer.h"
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/history/BackupReread.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <zip.h>

namespace tessaly {
namespace {

using namespace test;
namespace fs = std::filesystem;

// What a reader sees of a member: its compressed bytes and the fields of its entry.
struct MemberImage {
    std::string raw;
    zip_uint32_t crc = 0, attributes = 0;
    zip_uint16_t method = 0;
    time_t mtime = 0;
    bool operator==(const MemberImage&) const = default;
};

// Daily backups of A's messages into one target, with a store of several deflate blocks, so that a
// damaged byte lands inside its compressed data.
struct MessageRuns : OnSample {
    fs::path target = dir / "b.tsy";
    fs::path store = storeOf(p.prefix, kIdA);
    std::time_t clock = 1796000000; // 2026-11-30, any zone
    BackupPlan plan;

    void SetUp() override {
        std::string text;
        for (int i = 0; text.size() < 3u << 20; ++i)
            text += "Message " + std::to_string(i * 7919 % 100003) + ": nothing new under the sun\r\n";
        writeFile(store / "Big.dbx", text);
        plan.target = target;
        plan.identityKey = kIdA;
        plan.items[kItemMessages] = true;
        plan.password = "pw";
        plan.interactive = false;
    }
    // A run one day after the last one; what it writes must read back.
    BackupResult run() {
        plan.time = clock += 86400;
        plan.leadingEntries = {{"BackupTime", generalDateTime(plan.time)}};
        BackupResult result = runBackup(*p.session, p.state, p.ui, plan);
        EXPECT_EQ(result.itemFlags, "00010000");
        EXPECT_TRUE(rereadBackup(target, plan.password, p.work.path(), p.session->codePage()).empty());
        return result;
    }
    // The file's bytes follow the plain archive's one for one.
    void flipInTarget(std::size_t at) {
        std::string file = readFile(target);
        file[at] ^= 0x01;
        writeFile(target, file);
    }
    fs::path plain() {
        fs::path archive = dir / ("plain" + std::to_string(++plains) + ".zip");
        openArchive(target, plan.password, archive, p.session->codePage(), p.ui);
        return archive;
    }
    std::map<std::string, MemberImage> stores(const fs::path& archive) {
        std::map<std::string, MemberImage> found;
        int error = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &error);
        EXPECT_NE(za, nullptr);
        for (zip_int64_t i = 0; za && i < zip_get_num_entries(za, 0); ++i) {
            std::string name = zip_get_name(za, zip_uint64_t(i), 0);
            if (!name.ends_with(".dbx"))
                continue;
            zip_stat_t st;
            zip_stat_index(za, zip_uint64_t(i), 0, &st);
            MemberImage& m = found[name];
            m.crc = st.crc;
            m.method = st.comp_method;
            m.mtime = st.mtime;
            zip_uint8_t system = 0;
            zip_file_get_external_attributes(za, zip_uint64_t(i), 0, &system, &m.attributes);
            m.raw.resize(st.comp_size);
            zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), ZIP_FL_COMPRESSED);
            EXPECT_EQ(zip_fread(f, m.raw.data(), m.raw.size()), zip_int64_t(m.raw.size()));
            zip_fclose(f);
        }
        if (za)
            zip_discard(za);
        return found;
    }
    int plains = 0;
    const std::vector<std::string> allStores{"Big.dbx", "Folders.dbx", "Inbox.dbx", "Newsletters.dbx",
                                             "Sent Items.dbx"};
};

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(MessageRuns, UnchangedStoresAreCopiedIntoAFileNoDifferentFromAFullRun) {
    EXPECT_TRUE(run().takenOver.empty()); // no previous file
    EXPECT_EQ(sorted(run().takenOver), allStores);
    std::map<std::string, MemberImage> copied = stores(plain());
    EXPECT_EQ(std::system(("unzip -tqq '" + plain().string() + "'").c_str()), 0);

    plan.full = true;
    EXPECT_TRUE(run().takenOver.empty());
    plan.full = false;
    std::map<std::string, MemberImage> compressed = stores(plain());
    ASSERT_EQ(copied.size(), allStores.size());
    EXPECT_TRUE(copied == compressed);
    // The full run recorded its sources too: the next run takes everything over again.
    EXPECT_EQ(sorted(run().takenOver), allStores);
}

TEST_F(MessageRuns, EveryMismatchCompressesAgain) {
    struct Case {
        const char* name;
        std::function<void(MessageRuns&)> change;
        std::vector<std::string> expected; // taken over by the second run
    };
    const std::vector<std::string> othersThanBig{"Folders.dbx", "Inbox.dbx", "Newsletters.dbx",
                                                 "Sent Items.dbx"};
    const std::vector<Case> cases = {
        // Same size and time: only the CRC read from the file tells.
        {"one byte, same size and time",
         [](MessageRuns& t) {
             const fs::path big = t.store / "Big.dbx";
             auto time = fs::last_write_time(big);
             std::string bytes = readFile(big);
             bytes[1234567] ^= 0x20;
             writeFile(big, bytes);
             fs::last_write_time(big, time);
         },
         othersThanBig},
        {"same bytes, new time",
         [](MessageRuns& t) {
             fs::last_write_time(t.store / "Big.dbx",
                                 fs::last_write_time(t.store / "Big.dbx") + std::chrono::seconds(5));
         },
         othersThanBig},
        {"one byte more", [](MessageRuns& t) { std::ofstream(t.store / "Big.dbx", std::ios::app) << 'x'; },
         othersThanBig},
        // A damaged member of the previous file is copied, the new file does not read back, and the run
        // is made again with every store compressed.
        {"damaged previous file",
         [](MessageRuns& t) { t.flipInTarget(readFile(t.plain()).find("Big.dbx") + 7 + 100000); },
         {}},
        // The name length: the copy starts a byte early (a damaged signature alone does no harm).
        {"damaged local header in the previous file",
         [](MessageRuns& t) { t.flipInTarget(readFile(t.plain()).find("Big.dbx") - 30 + 26); },
         {}},
        {"the previous file of an earlier version",
         [](MessageRuns& t) {
             // The same archive without the member sources.
             fs::path archive = t.plain();
             ASSERT_EQ(std::system(("cd '" + t.dir.path().string() + "' && unzip -qo '" + archive.string() +
                                    "' vantrel.dat && sed -i '/^MemberSources=/d' vantrel.dat && zip -q '" +
                                    archive.string() + "' vantrel.dat")
                                       .c_str()),
                       0);
             sealArchive(archive, t.dir / "sealed.tsy", "pw", Protection::Compatible, t.p.session->codePage(),
                         t.p.ui);
             fs::rename(t.dir / "sealed.tsy", t.target);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(target);
        writeFile(store / "Big.dbx", readFile(store / "Big.dbx")); // a time of its own per case
        run();
        c.change(*this);
        std::string big = readFile(store / "Big.dbx");
        EXPECT_EQ(sorted(run().takenOver), c.expected);
        // What the new file holds is the store as it is now.
        fs::path archive = plain();
        ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && unzip -qo '" + archive.string() +
                               "' Big.dbx -d out")
                                  .c_str()),
                  0);
        EXPECT_TRUE(readFile(dir / "out/Big.dbx") == big); // not EXPECT_EQ: no diff of megabytes
    }
}

TEST_F(MessageRuns, AnotherPasswordOrProtectionTakesNothingOver) {
    run();
    plan.password = "other";
    EXPECT_TRUE(run().takenOver.empty());
    EXPECT_EQ(run().takenOver.size(), allStores.size());
    plan.protection = Protection::Strong;
    EXPECT_TRUE(run().takenOver.empty());
    EXPECT_EQ(run().takenOver.size(), allStores.size());
}

// A message store with a valid header that counts `messages`, padded to `size` bytes.
std::string storeBytes(std::uint32_t messages, size_t size) {
    std::string bytes(size, '\0');
    bytes.replace(0, 4, "\xCF\xAD\x12\xFE");
    for (int i = 0; i < 4; ++i)
        bytes[0xC4 + i] = static_cast<char>((messages >> (8 * i)) & 0xFF);
    return bytes;
}

// The shrink thresholds; the CLI test follows an emptied store end to end.
TEST_F(MessageRuns, AShrunkStoreKeepsTheNewFileAsideAndPinsThePreviousBackup) {
    struct Case {
        const char* what;
        std::string bytes;
        bool suspect;
    };
    const Case cases[] = {
        {"half the messages are still there", storeBytes(20, 8192), false},
        {"fewer than half the messages", storeBytes(9, 8192), true},
        {"fewer than half the bytes", storeBytes(40, 4000), true},
        {"no valid header", std::string(8192, 'x'), true},
    };
    plan.keep = *parseRetentionPolicy("7d", nullptr);
    for (const Case& c : cases) {
        writeFile(store / "Inbox.dbx", storeBytes(40, 8192));
        ASSERT_EQ(run().placed.placement, Placement::Rotated) << c.what;
        const std::string previous = readFile(target);
        writeFile(store / "Inbox.dbx", c.bytes);
        BackupResult result = run();
        EXPECT_EQ(result.placed.placement, c.suspect ? Placement::Suspect : Placement::Rotated) << c.what;
        if (!c.suspect)
            continue;
        ASSERT_EQ(result.shrunkStores.size(), 1u) << c.what;
        EXPECT_EQ(result.shrunkStores[0].rfind("Inbox.dbx: ", 0), 0u) << result.shrunkStores[0];
        EXPECT_EQ(readFile(target), previous) << c.what;
        EXPECT_EQ(readFile(result.placed.earlier), previous) << c.what;
    }
}

TEST_F(MessageRuns, TheReReadCatchesADamagedFileAndAWrongPassword) {
    ASSERT_EQ(run().placed.placement, Placement::Replaced);
    EXPECT_FALSE(rereadBackup(target, "other", p.work.path(), p.session->codePage()).empty());
    std::string bytes = readFile(target);
    bytes[bytes.size() / 2] ^= 0x5A; // inside a member's data: its CRC no longer matches
    writeFile(dir / "damaged.tsy", bytes);
    EXPECT_FALSE(rereadBackup(dir / "damaged.tsy", "pw", p.work.path(), p.session->codePage()).empty());
    // Nothing but the folder's owner mark is left in the working folder.
    for (const auto& e : fs::directory_iterator(p.work.path()))
        if (e.path().filename() != ".owner")
            ADD_FAILURE() << "left in the working folder: " << e.path().filename();
}

TEST(MemberSources, FormatAndParse) {
    std::vector<MemberSource> sources{{"Inbox.dbx", 13544, 1796000000123456789, 4294967295u},
                                      {"Sent Items.dbx", 0, -5, 0},
                                      {"odd;name.dbx", 1, 1, 1},
                                      {"odd|name.dbx", 1, 1, 1}};
    std::string text = formatMemberSources(sources);
    EXPECT_EQ(text, "Inbox.dbx|13544|1796000000123456789|4294967295;Sent Items.dbx|0|-5|0");
    sources.resize(2);
    EXPECT_EQ(parseMemberSources(text), sources);
    EXPECT_TRUE(parseMemberSources("").empty());
    // Parts without the compressed bytes' CRC (written by the first versions) count as malformed.
    EXPECT_EQ(
        parseMemberSources("a|1|2|3;b|x|2|3;c|1|2;|1|2|3;d|-1|2|3;e|1|2.5|3;g|1|2|4294967296;f|3|4|5").size(),
        2u);
}

} // namespace
} // namespace tessaly

// StopAndProgressTest.cpp -- stopping a backup or restore part-way, and byte progress inside a large item.
#include "EngineTestProfile.h"

#include <gtest/gtest.h>

#include <map>

namespace tessaly {
namespace {

using namespace test;

constexpr std::uint64_t kStep = 64 * 1024;
constexpr std::uint64_t kBigStore = 3 * 1024 * 1024 + 12345;
const std::string kOldBackup = "the earlier backup file, which a stopped run must leave alone";

// A message store large enough for many progress steps; varied bytes so that it does not shrink to nothing.
void addBigStore(const std::filesystem::path& prefix) {
    std::string bytes(kBigStore, '\0');
    std::uint32_t x = 12345;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>((x >> 16) % 64 + 32);
    }
    writeFile(storeOf(prefix, kIdA) / "Big.dbx", bytes);
}

bool midwayThrough(const RecordingUi& ui, const std::string& file) {
    for (const auto& r : ui.byteReports)
        if (r.file == file && r.done > 0 && r.done < r.total)
            return true;
    return false;
}

// Writing the archive reports the bytes copied of all members together, under the file's name.
bool midwayThroughTheArchive(const RecordingUi& ui) {
    return !ui.byteReports.empty() && ui.byteReports.back().file == "a.tsy" &&
           ui.byteReports.back().done > kBigStore / 2 &&
           ui.byteReports.back().done < ui.byteReports.back().total;
}

struct StopCase {
    const char* when;
    std::function<bool(const RecordingUi&)> stopWhen;
    Protection protection = Protection::Compatible;
};

class StoppedBackup : public ::testing::TestWithParam<StopCase> {};

TEST_P(StoppedBackup, LeavesTheOldTargetAndNoTemporaryFile) {
    TempDir dir;
    EngineProfile p(dir / "prefix");
    addBigStore(p.prefix);
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directories(out);
    writeFile(out / "a.tsy", kOldBackup);
    p.state.BackupFileName = (out / "a.tsy").string();
    p.ui.setProgressStepBytes(kStep);
    p.ui.stopWhen = GetParam().stopWhen;

    BackupRequest request = allItemsOfA();
    request.protect = true;
    request.password = request.password2 = "pw";
    request.protection = GetParam().protection;
    BackupOutcome outcome = BackupDriver(*p.session, p.state, p.ui).run(request, true);

    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.discRequested);
    EXPECT_EQ(snapshot(out), (std::map<std::string, std::string>{{"a.tsy", kOldBackup}}));
    // Only the folder's own lock file is left in it.
    EXPECT_EQ(snapshot(p.work.path()).size(), 1u) << "the info file stays behind";
    EXPECT_TRUE(std::filesystem::exists(p.work.path() / kOwnerFileName));
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text.substr(0, 23), "The Backup was stopped.");
    EXPECT_FALSE(p.ui.progressVisible);
    for (const std::string& text : p.ui.statusTexts)
        EXPECT_TRUE(std::string(GetParam().when) != "AtItsStart" || text.find("Copying") == std::string::npos)
            << "an item ran: " << text;
}

INSTANTIATE_TEST_SUITE_P(When, StoppedBackup,
                         ::testing::Values(StopCase{"AtItsStart", [](const RecordingUi&) { return true; }},
                                           StopCase{"InTheMiddleOfTheMessages",
                                                    [](const RecordingUi& ui) {
                                                        return midwayThrough(ui, "Big.dbx");
                                                    }},
                                           // Either file is sealed as the archive is written: midway through
                                           // copying the big store's compressed bytes into it.
                                           StopCase{"WhileTheArchiveIsWritten", midwayThroughTheArchive},
                                           StopCase{"WhileTheStrongArchiveIsWritten", midwayThroughTheArchive,
                                                    Protection::Strong}),
                         [](const auto& info) { return std::string(info.param.when); });

// Reports of one file: none further apart than the scaled step allows, in order, inside the item's share.
void expectSteadyReports(const RecordingUi& ui, const std::string& file, double from, double to) {
    std::uint64_t last = 0;
    int reports = 0;
    for (const auto& r : ui.byteReports) {
        // Copying the compressed bytes into the archive reports on its own, against their number.
        if (r.file != file || r.total != kBigStore)
            continue;
        ++reports;
        EXPECT_GE(r.done, last);
        // 10 MB at the default step of 1 MB, scaled to this test's step.
        EXPECT_LE(r.done - last, 10 * kStep) << "after " << last << " bytes of " << file << " at " << from;
        EXPECT_GE(r.percent, from);
        EXPECT_LE(r.percent, to);
        last = r.done;
    }
    EXPECT_EQ(last, kBigStore) << "the last report is the whole file";
    EXPECT_GE(reports, int(kBigStore / (10 * kStep)));
}

// Reports inside the item's span [from, to] of the bar: in order, none further apart than 10 steps of
// the big store's bytes move it (the big store is most of the item), the last at the span's end.
void expectSteadyBar(const RecordingUi& ui, double from, double to) {
    const double most = (to - from) * double(10 * kStep) / double(kBigStore) + 1e-9;
    double last = from;
    int reports = 0;
    for (const auto& r : ui.byteReports) {
        if (r.percent < from || r.percent > to)
            continue;
        ++reports;
        EXPECT_GE(r.percent, last) << r.file << " " << r.done;
        EXPECT_LE(r.percent - last, most) << r.file << " " << r.done;
        last = r.percent;
    }
    EXPECT_DOUBLE_EQ(last, to) << "the last report ends the item";
    EXPECT_GE(reports, int(kBigStore / (10 * kStep)));
}

TEST(ByteProgress, ALargeStoreReportsSteadilyOnBackupAndRestore) {
    TempDir dir;
    EngineProfile source(dir / "source");
    addBigStore(source.prefix);
    copyTree(source.prefix, dir / "target");
    source.state.BackupFileName = (dir / "a.tsy").string();
    source.ui.setProgressStepBytes(kStep);
    BackupRequest request = allItemsOfA();
    request.items = {};
    request.items[kItemMessages] = true;
    ASSERT_TRUE(BackupDriver(*source.session, source.state, source.ui).run(request, false).completed);
    // The bar is one byte scale: the only item reads from 1 % to four fifths of the rest (writing the
    // archive is reckoned at a quarter of the bytes read), shared among the stores by their sizes, so
    // the bar never goes back from one store to the next.
    const double itemsEnd = 1 + 99 * 0.8;
    expectSteadyReports(source.ui, "Big.dbx", 1, itemsEnd);
    std::uint64_t written = 0, archiveBytes = 0;
    for (const auto& r : source.ui.byteReports) {
        if (r.file == "a.tsy") {
            EXPECT_GE(r.percent, itemsEnd - 1e-9);
            EXPECT_GT(r.done, written) << "all members are counted on one scale";
            written = r.done;
            archiveBytes = r.total;
        }
    }
    EXPECT_EQ(written, archiveBytes); // that the bar only rises to its end is checked through the window

    EngineProfile target(dir / "target", false);
    target.ui.setProgressStepBytes(kStep);
    RestoreDriver restore = target.restorer();
    ASSERT_TRUE(restore.inspect(dir / "a.tsy").opened);
    std::array<bool, kBackupItemCount> messages{};
    messages[kItemMessages] = true;
    restore.run(messages, kIdB);
    // A restore stages from 5 to 90 % by the bytes of each item's members: the only item owns all of it.
    // Stores extracted side by side report the item's bytes as a whole, so the bar is what is checked.
    expectSteadyBar(target.ui, 5, 90);
    EXPECT_EQ(target.ui.progressValues.back(), 0) << "the panel is reset when it goes";
    EXPECT_EQ(target.ui.progressValues[target.ui.progressValues.size() - 2], 100);
}

TEST(StoppedRestore, AfterItsThirdItemLeavesTheOthersAsTheyWere) {
    TempDir dir;
    EngineProfile source(dir / "source");
    copyTree(source.prefix, dir / "target");
    source.state.BackupFileName = (dir / "a.tsy").string();
    ASSERT_TRUE(BackupDriver(*source.session, source.state, source.ui).run(allItemsOfA(), false).completed);

    EngineProfile target(dir / "target", false);
    auto dumpsOfB = [&] {
        std::vector<std::string> dumps;
        for (const char* key : {"\\Block Senders", "\\signatures", "\\Mail"})
            dumps.push_back(target.dump(versionKey(kIdB) + key));
        return dumps;
    };
    const auto registryBefore = dumpsOfB();
    const auto storeBefore = snapshot(storeOf(target.prefix, kIdB));
    ASSERT_NE(storeBefore, snapshot(storeOf(source.prefix, kIdA))) << "a full restore would change it";

    target.ui.stopWhen = [](const RecordingUi& ui) { return ui.statusTexts.size() >= 3; };
    RestoreDriver restore = target.restorer();
    ASSERT_TRUE(restore.inspect(dir / "a.tsy").opened);
    RestoreOutcome outcome = restore.run(kAllItems, kIdB);

    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.notRestored, (std::array<bool, 8>{false, false, false, true, true, true, true, true}));
    EXPECT_EQ(target.ui.messages.back().text,
              "The Restore was stopped.\r\n\r\nRestored:\r\nRestore Accounts\tSuccessed\r\n"
              "Restore Adress Book\tSuccessed\r\nRestore Rules\tSuccessed\r\n\r\n"
              "Not restored (left as they were):\r\nRestore Messages\r\nRestore Block Senders\r\n"
              "Restore Signatures\r\nRestore Stationeries\r\nRestore Settings");
    target.reopen();
    EXPECT_EQ(dumpsOfB(), registryBefore);
    EXPECT_EQ(snapshot(storeOf(target.prefix, kIdB)), storeBefore);
}

} // namespace
} // namespace tessaly

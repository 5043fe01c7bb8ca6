// WriterWriteTest.cpp -- writing sessions to a pseudo-drive end to end, checked with xorriso.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

std::size_t indexOf(const std::vector<std::string>& names, const std::string& name) {
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

std::size_t lastIndexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto it = std::find(names.rbegin(), names.rend(), name);
    return it == names.rend() ? names.size() : static_cast<std::size_t>(names.rend() - it - 1);
}

class WriterWrite : public ::testing::Test {
protected:
    TempDir dir;
    fs::path disc = dir / "disc.iso";
    fs::path src = dir / "src";
    std::unique_ptr<DiscRig> rig;

    void SetUp() override {
        writePatternFile(src / "Backup" / "a.tsy", 100 * 1024 + 7, 1);
        writePatternFile(src / "Backup" / "Mail" / "Inbox.dbx", 300 * 1024, 2);
        writePatternFile(src / "Backup" / "Mail" / "Ordner Ü" / "Identität.txt", 7, 3);
        writePatternFile(src / "Backup" / "Mail" / "Ordner Ü" / "Tiefer" / "日本語 ñ.txt", 2048, 4);
        writePatternFile(src / "Backup" / "empty.txt", 0, 5);
        fs::create_directories(src / "Backup" / "Leer");
        writePatternFile(src / "Notiz für mich.txt", 5000, 6);
        rig = std::make_unique<DiscRig>(std::vector<std::string>{"stdio:" + disc.string()});
    }

    DiscWriter& w() { return *rig->writer; }
    EventRecorder& rec() { return rig->recorder; }

    void addLayout() {
        ASSERT_TRUE(w().AddFolder("\\Backup", (src / "Backup" / "*.*").string()));
        ASSERT_TRUE(w().AddFile("\\Notiz für mich.txt", (src / "Notiz für mich.txt").string()));
    }

    // Starts a write and runs its events until it has ended.
    void write(bool verify) {
        rec().events.clear();
        w().SetAutoVerify(verify);
        ASSERT_TRUE(w().StartWrite());
        ASSERT_TRUE(rig->waitForJob());
    }

    // What xorriso should list for the source tree: "/Backup/..." paths and sizes.
    std::map<std::string, IsoEntry> expectedLayout() {
        std::map<std::string, IsoEntry> expected;
        expected["/"] = IsoEntry{"/", true, 0};
        for (const auto& entry : fs::recursive_directory_iterator(src)) {
            const std::string path = "/" + fs::relative(entry.path(), src).string();
            expected[path] = IsoEntry{path, entry.is_directory(),
                                      entry.is_directory() ? 0 : static_cast<long long>(entry.file_size())};
        }
        return expected;
    }

    void expectSameTree(const std::map<std::string, IsoEntry>& actual,
                        const std::map<std::string, IsoEntry>& expected) {
        ASSERT_EQ(actual.size(), expected.size());
        for (const auto& [path, entry] : expected) {
            ASSERT_EQ(actual.count(path), 1u) << path;
            EXPECT_EQ(actual.at(path).folder, entry.folder) << path;
            if (!entry.folder) {
                EXPECT_EQ(actual.at(path).size, entry.size) << path;
            }
        }
    }
};

TEST_F(WriterWrite, FilesAndNestedFoldersAreWrittenVerifiedAndReadableByXorriso) {
    addLayout();
    write(true);
    const std::vector<std::string> names = rec().names();
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(names[0], "WritePreparing");
    EXPECT_EQ(names[1], "CreatingFolders");
    EXPECT_FALSE(rec().has("DriveError"));
    EXPECT_FALSE(rec().has("FileError"));
    const auto progress = rec().named("WriteProgress");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(fieldsOf(progress.back())[2], fieldsOf(progress.back())[3]);
    EXPECT_LT(lastIndexOf(names, "WriteProgress"), indexOf(names, "ClosingSession"));
    EXPECT_LT(indexOf(names, "ClosingSession"), indexOf(names, "WriteDone"));
    EXPECT_EQ(indexOf(names, "VerifyStarted"), indexOf(names, "WriteDone") + 1);
    EXPECT_EQ(rec().named("VerifyStarted"), (std::vector<std::string>{"VerifyStarted|6"}));
    const auto verified = rec().named("VerifyFile");
    ASSERT_EQ(verified.size(), 6u);
    std::set<std::string> verifiedPaths;
    for (std::size_t i = 0; i < verified.size(); ++i) {
        const auto f = fieldsOf(verified[i]);
        EXPECT_EQ(f[3], "3") << verified[i];
        EXPECT_EQ(f[4], std::to_string(i + 1));
        EXPECT_EQ(f[5], "6");
        verifiedPaths.insert(f[1]);
    }
    EXPECT_EQ(verifiedPaths.count("\\Backup\\Mail\\Ordner Ü\\Tiefer\\日本語 ñ.txt"), 1u);
    EXPECT_EQ(names.back(), "VerifyDone");
    EXPECT_EQ(rec().events.back(), "VerifyDone|6|6");
    EXPECT_FALSE(w().IsBusy());

    expectSameTree(xorrisoList(disc), expectedLayout());
    ASSERT_TRUE(xorrisoExtract(disc, dir / "out"));
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(readFile(dir / "out" / fs::relative(entry.path(), src)), readFile(entry.path()))
                << entry.path();
        }
    }
    // The volume label is read back by the writing window's test, Joliet by the info verb's.
    EXPECT_EQ(xorrisoSessionCount(disc), 1);
}

// The media facts after a write are read back by the info verb's test; here the block figures and closing.
TEST_F(WriterWrite, BlockFiguresAfterTheFirstSessionAndNothingToClose) {
    addLayout();
    write(false);
    ASSERT_EQ(rec().events.back(), "WriteDone");
    EXPECT_GT(w().UsedBlocks(), 32 + 200); // used and free adding up: AnImageTooLargeForTheDisc...
    // An overwritable disc has nothing to close.
    rec().events.clear();
    EXPECT_FALSE(w().CloseMedia(false));
    EXPECT_FALSE(w().CloseMedia(true));
    EXPECT_TRUE(rec().events.empty());
    EXPECT_EQ(w().DiscStatus(), kDiscOpen);
}

TEST_F(WriterWrite, WithoutJolietOnlyIso9660IsFound) {
    addLayout();
    w().SetJoliet(0);
    write(false);
    EXPECT_TRUE(w().HasFileSystem(kFsIso9660));
    EXPECT_FALSE(w().HasFileSystem(kFsJoliet));
    expectSameTree(xorrisoList(disc), expectedLayout()); // Rock Ridge keeps the names
}

TEST_F(WriterWrite, ASecondSessionImportsTheFirstAndAddsToIt) {
    ASSERT_TRUE(w().AddFolder("\\Backup", (src / "Backup").string()));
    write(false);
    w().ClearImage();
    rec().events.clear();
    ASSERT_TRUE(w().ImportSession(true)); // the label it brings back is checked by the window's test
    EXPECT_EQ(w().ImageFileCount(), 5);
    EXPECT_TRUE(rec().has("ReadProgress"));

    writePatternFile(dir / "new.txt", 999, 7);
    writePatternFile(dir / "a-new.tsy", 4444, 8);
    ASSERT_TRUE(w().AddFile("\\Backup\\new.txt", (dir / "new.txt").string()));
    rec().events.clear();
    rec().replaceAnswer = true;
    ASSERT_TRUE(w().AddFile("\\backup\\A.TSY", (dir / "a-new.tsy").string()));
    EXPECT_EQ(rec().named("ReplaceImported"),
              (std::vector<std::string>{"ReplaceImported|\\Backup\\a.tsy|" + (dir / "a-new.tsy").string()}));
    rec().replaceAnswer = false;
    EXPECT_FALSE(w().AddFile("\\Backup\\empty.txt", (dir / "new.txt").string()));
    EXPECT_EQ(rec().named("ReplaceImported").size(), 2u);

    write(true);
    // Only what came from this computer is new and verified.
    EXPECT_EQ(rec().named("VerifyStarted"), (std::vector<std::string>{"VerifyStarted|2"}));
    EXPECT_EQ(rec().events.back(), "VerifyDone|2|2");
    EXPECT_EQ(xorrisoSessionCount(disc), 2);
    EXPECT_EQ(w().SessionCount(), 2);

    const auto listed = xorrisoList(disc);
    EXPECT_EQ(listed.at("/Backup/new.txt").size, 999);
    EXPECT_EQ(listed.at("/Backup/A.TSY").size, 4444);
    EXPECT_EQ(listed.count("/Backup/a.tsy"), 0u);
    EXPECT_EQ(listed.at("/Backup/empty.txt").size, 0);
    EXPECT_EQ(listed.at("/Backup/Mail/Inbox.dbx").size, 300 * 1024);
    ASSERT_TRUE(xorrisoExtract(disc, dir / "out"));
    EXPECT_EQ(readFile(dir / "out" / "Backup" / "A.TSY"), readFile(dir / "a-new.tsy"));
    EXPECT_EQ(readFile(dir / "out" / "Backup" / "Mail" / "Inbox.dbx"),
              readFile(src / "Backup" / "Mail" / "Inbox.dbx"));
}

TEST_F(WriterWrite, ImportMergesWhatTheImageAlreadyHolds) {
    ASSERT_TRUE(w().AddFolder("\\Backup", (src / "Backup").string()));
    write(false);
    w().ClearImage();
    writePatternFile(dir / "Inbox2.dbx", 1234, 9);
    ASSERT_TRUE(w().AddFile("\\BACKUP\\Mail\\inbox.dbx", (dir / "Inbox2.dbx").string()));
    ASSERT_TRUE(w().AddFile("\\Extra.txt", (dir / "Inbox2.dbx").string()));
    rec().events.clear();
    rec().replaceAnswer = true;
    ASSERT_TRUE(w().ImportSession(true));
    EXPECT_EQ(rec().named("ReplaceImported"),
              (std::vector<std::string>{"ReplaceImported|\\Backup\\Mail\\Inbox.dbx|" +
                                        (dir / "Inbox2.dbx").string()}));
    EXPECT_EQ(w().ImageFileCount(), 6);
    // The file of this computer stays, under its own spelling.
    write(false);
    EXPECT_EQ(xorrisoList(disc).at("/Backup/Mail/inbox.dbx").size, 1234);
    EXPECT_EQ(xorrisoList(disc).at("/Extra.txt").size, 1234);
}

TEST_F(WriterWrite, ASessionWrittenWithoutImportShowsOnlyItsOwnFiles) {
    addLayout();
    write(false);
    w().ClearImage();
    ASSERT_TRUE(w().AddFile("\\only.txt", (src / "Notiz für mich.txt").string()));
    write(false);
    EXPECT_EQ(rec().events.back(), "WriteDone");
    EXPECT_EQ(xorrisoSessionCount(disc), 2);
    const auto listed = xorrisoList(disc);
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed.at("/only.txt").size, 5000);
}

TEST_F(WriterWrite, CancellingALargeWriteLeavesTheEarlierSessionIntact) {
    addLayout();
    write(false);
    const auto firstSession = xorrisoList(disc);
    w().ClearImage();
    writePatternFile(dir / "big.bin", 24 * 1024 * 1024, 10);
    ASSERT_TRUE(w().AddFile("\\big.bin", (dir / "big.bin").string()));
    ASSERT_TRUE(w().SetWriteSpeed(6000)); // four seconds for the whole file
    bool aborted = false;
    rec().onEvent = [&](const std::string& line) {
        if (!aborted && line.rfind("WriteProgress|", 0) == 0 && std::stoll(fieldsOf(line)[2]) > 0) {
            aborted = true;
            EXPECT_TRUE(w().IsBusy());
            EXPECT_FALSE(w().StartWrite());
            EXPECT_FALSE(w().EraseMedia(true));
            EXPECT_FALSE(w().AddFile("\\x", (dir / "big.bin").string()));
            w().AbortWrite();
        }
    };
    const auto started = std::chrono::steady_clock::now();
    write(false);
    rec().onEvent = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    ASSERT_TRUE(aborted);
    EXPECT_EQ(rec().events.back(), "WriteCancelled");
    EXPECT_FALSE(rec().has("WriteDone"));
    const auto progress = rec().named("WriteProgress");
    EXPECT_LT(std::stoll(fieldsOf(progress.back())[2]), std::stoll(fieldsOf(progress.back())[3]));

    EXPECT_EQ(xorrisoSessionCount(disc), 1);
    expectSameTree(xorrisoList(disc), firstSession);
    EXPECT_EQ(w().SessionCount(), 1);
    w().ClearImage();
    ASSERT_TRUE(w().ImportSession(false));
    EXPECT_EQ(w().ImageFileCount(), 6);

    // The disc takes another session afterwards.
    w().SetWriteSpeed(0);
    ASSERT_TRUE(w().AddFile("\\after.txt", (src / "Notiz für mich.txt").string()));
    write(false);
    EXPECT_EQ(rec().events.back(), "WriteDone");
    EXPECT_EQ(xorrisoSessionCount(disc), 2);
    EXPECT_EQ(xorrisoList(disc).count("/after.txt"), 1u);
}

TEST_F(WriterWrite, ASourceFileThatVanishedBeforeWritingIsAFileErrorAndNothingIsWritten) {
    addLayout();
    fs::remove(src / "Backup" / "Mail" / "Inbox.dbx");
    write(false);
    const std::string missing = (src / "Backup" / "Mail" / "Inbox.dbx").string();
    ASSERT_EQ(rec().names(),
              (std::vector<std::string>{"WritePreparing", "CreatingFolders", "FileError", "DriveError"}));
    EXPECT_EQ(rec().events[2], "FileError|0|" + missing);
    EXPECT_EQ(fieldsOf(rec().events[3])[1], "1");
    EXPECT_NE(rec().events[3].find(missing), std::string::npos);
    EXPECT_EQ(w().DiscStatus(), kDiscEmpty);
    EXPECT_EQ(xorrisoSessionCount(disc), 0);
}

TEST_F(WriterWrite, ASourceFileThatVanishesWhileWritingStopsTheWrite) {
    addLayout();
    write(false);
    w().ClearImage();
    writePatternFile(dir / "a_big.bin", 8 * 1024 * 1024, 11);
    writePatternFile(dir / "z_last.txt", 3000, 12);
    ASSERT_TRUE(w().AddFile("\\a_big.bin", (dir / "a_big.bin").string()));
    ASSERT_TRUE(w().AddFile("\\z_last.txt", (dir / "z_last.txt").string()));
    w().SetWriteSpeed(8000);
    rec().onEvent = [&](const std::string& line) {
        if (line.rfind("WriteProgress|", 0) == 0 && fs::exists(dir / "z_last.txt"))
            fs::remove(dir / "z_last.txt");
    };
    write(false);
    rec().onEvent = nullptr;
    EXPECT_FALSE(rec().has("WriteDone"));
    EXPECT_EQ(rec().named("FileError"),
              (std::vector<std::string>{"FileError|0|" + (dir / "z_last.txt").string()}));
    ASSERT_EQ(rec().names().back(), "DriveError");
    EXPECT_NE(rec().events.back().find("z_last.txt"), std::string::npos);
    // Nothing of it counts as written: the disc still shows its first session only.
    EXPECT_EQ(xorrisoSessionCount(disc), 1);
    EXPECT_EQ(xorrisoList(disc).count("/a_big.bin"), 0u);
    EXPECT_EQ(w().SessionCount(), 1);
}

TEST_F(WriterWrite, TestWritesLeaveTheDiscUnchanged) {
    addLayout();
    write(false);
    const std::string before = readFile(disc);
    ASSERT_TRUE(w().AddFile("\\more.txt", (src / "Notiz für mich.txt").string()));
    for (const auto& [testWrite, writeFlag] : {std::pair{true, true}, std::pair{false, false}}) {
        w().SetTestWrite(testWrite);
        w().SetWriteFlag(writeFlag);
        write(true);
        EXPECT_TRUE(rec().has("WriteDone"));
        EXPECT_EQ(rec().named("VerifyStarted"), (std::vector<std::string>{"VerifyStarted|0"}));
        EXPECT_EQ(rec().events.back(), "VerifyDone|0|0");
        EXPECT_EQ(readFile(disc), before);
    }
}

TEST_F(WriterWrite, ACachedImageIsWrittenFromTheCache) {
    addLayout();
    w().SetCacheImage(true);
    write(true);
    const auto caching = rec().named("CachingProgress");
    ASSERT_FALSE(caching.empty());
    EXPECT_EQ(caching.back(), "CachingProgress|100");
    EXPECT_LT(indexOf(rec().names(), "CachingProgress"), indexOf(rec().names(), "WriteProgress"));
    EXPECT_EQ(rec().events.back(), "VerifyDone|6|6");
    expectSameTree(xorrisoList(disc), expectedLayout());
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
        EXPECT_EQ(entry.path().filename().string().rfind("tessaly-cache-", 0), std::string::npos);
}

TEST_F(WriterWrite, ErasingBlanksTheDiscAndDropsImportedItems) {
    addLayout();
    write(false);
    w().ClearImage();
    ASSERT_TRUE(w().ImportSession(false));
    ASSERT_TRUE(w().AddFile("\\mine.txt", (src / "Notiz für mich.txt").string()));
    rec().events.clear();
    ASSERT_TRUE(w().EraseMedia(true));
    ASSERT_TRUE(rig->waitFor([&] { return rec().jobEnded(); }));
    const auto names = rec().names();
    EXPECT_EQ(names.front(), "EraseStarted");
    EXPECT_EQ(names.back(), "EraseDone");
    // The imported folders went with the disc; the file from this computer stays.
    EXPECT_EQ(rec().named("FolderRemoved").size(), 5u);
    EXPECT_EQ(w().ImageFileCount(), 1);
    EXPECT_EQ(w().SessionCount(), 0);
    EXPECT_FALSE(w().HasFileSystem(kFsIso9660));
    EXPECT_FALSE(w().ImportAllowed());
    EXPECT_FALSE(w().ImportSession(true));
}

TEST_F(WriterWrite, AnImageTooLargeForTheDiscIsRefusedBeforeWriting) {
    rig.reset();
    rig = std::make_unique<DiscRig>(std::vector<std::string>{"stdio:" + disc.string() + "#1M"});
    EXPECT_EQ(w().FreeBlocks(), 512 - 32);
    writePatternFile(dir / "two-mb.bin", 2 * 1024 * 1024, 13);
    ASSERT_TRUE(w().AddFile("\\two-mb.bin", (dir / "two-mb.bin").string()));
    write(false);
    ASSERT_EQ(rec().names(), (std::vector<std::string>{"WritePreparing", "CreatingFolders", "DriveError"}));
    // Kind, code and sense are checked through the write verb's message.
    const auto error = fieldsOf(rec().events.back());
    EXPECT_NE(error[3].find("480 blocks"), std::string::npos) << error[3];
    EXPECT_NE(error[3].find("Nothing was written"), std::string::npos);
    EXPECT_FALSE(fs::exists(disc) && fs::file_size(disc) > 0);
    EXPECT_EQ(w().DiscStatus(), kDiscEmpty);

    // DVD high compatibility pads the session to 1 GB, which does not fit either.
    w().SetDvdHighCompatibility(true);
    ASSERT_TRUE(w().RemoveItem("\\two-mb.bin"));
    write(false);
    EXPECT_EQ(fieldsOf(rec().events.back())[2], "1021");
    EXPECT_NE(rec().events.back().find("524288 blocks"), std::string::npos) << rec().events.back();
    w().SetDvdHighCompatibility(false);

    // What fits is written.
    ASSERT_TRUE(w().AddFile("\\small.txt", (src / "Notiz für mich.txt").string()));
    write(false);
    EXPECT_EQ(rec().events.back(), "WriteDone");
    EXPECT_EQ(w().TotalBlocks(), 512);
    EXPECT_EQ(w().FreeBlocks(), 512 - w().UsedBlocks());
}

} // namespace
} // namespace tessaly::test

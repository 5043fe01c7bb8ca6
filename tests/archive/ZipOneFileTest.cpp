// ZipOneFileTest.cpp -- adding single files: bare names, replacement, skipped files, engine failures; a
// backup's open archive: sources deletable at once, nothing on disk before finish(), the spool folder
// cleaned up, and an unfinished session leaving the old archive.
#include "../platform/EnvGuard.h"
#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/BlockDeflate.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <system_error>

#include <zip.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string extractOne(const fs::path& archive, const std::string& name) {
    return test::runCommand("unzip -p " + test::quoted(archive) + " " + test::quoted(name)).output;
}

// Added to an archive made by Info-ZIP, whose entry stays first.
TEST(ZipOneFile, StoresFilesUnderBareNamesInCallOrder) {
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    const std::string german = "Gel\xc3\xb6schte Objekte.dbx"; // keeps its characters
    test::writeFile(dir / "one.txt", "one");
    test::writeFile(dir / "store/Inbox.dbx", test::noise(70000, 1));
    test::writeFile(dir / "tmp/KVA1F.tmp", "dump\r\n");
    test::writeFile(dir / "empty.txt", "");
    test::writeFile(dir / "store" / german, "deleted items");
    ASSERT_EQ(
        test::runCommand("zip -q -j " + test::quoted(archive) + " " + test::quoted(dir / "one.txt")).exitCode,
        0);
    EXPECT_TRUE(ZipOneFile(archive, (dir / "store/Inbox.dbx").string()));
    // sGetTempFile leaves a NUL after the name; the name ends there.
    EXPECT_TRUE(ZipOneFile(archive, (dir / "tmp/KVA1F.tmp").string() + std::string(1, '\0')));
    EXPECT_TRUE(ZipOneFile(archive, (dir / "empty.txt").string()));
    EXPECT_TRUE(ZipOneFile(archive, (dir / "store" / german).string()));

    EXPECT_EQ(test::infoZipTest(archive), 0);
    EXPECT_EQ(test::infoZipNames(archive),
              (std::vector<std::string>{"one.txt", "Inbox.dbx", "KVA1F.tmp", "empty.txt", german}));
    EXPECT_EQ(extractOne(archive, "one.txt"), "one");
    EXPECT_EQ(extractOne(archive, "Inbox.dbx"), test::noise(70000, 1));
    EXPECT_EQ(extractOne(archive, "KVA1F.tmp"), "dump\r\n");
    UnzipToFolder(archive, (dir / "out").string(), ZipNameList{german});
    EXPECT_EQ(test::readFile(dir / "out" / german), "deleted items");
}

TEST(ZipOneFile, TheListPlaceholderNeverPicksUpAFileOfTheCurrentFolder) {
    TempDir dir;
    test::writeFile(dir / "querty", "a stray file in the folder a scheduled run starts in");
    test::writeFile(dir / "a.txt", "wanted");
    fs::path before = fs::current_path();
    fs::current_path(dir.path());
    bool added = ZipOneFile((dir / "out.zip").string(), (dir / "a.txt").string());
    fs::current_path(before);
    EXPECT_TRUE(added);
    EXPECT_EQ(test::infoZipNames(dir / "out.zip"), std::vector<std::string>{"a.txt"});
}

TEST(ZipOneFile, SameBareNameFromAnotherFolderReplacesTheEntry) {
    for (bool inSession : {false, true}) {
        TempDir dir;
        auto archive = (dir / "backup.zip").string();
        test::writeFile(dir / "a/Folders.dbx", "from a");
        test::writeFile(dir / "b/Folders.dbx", "from b");
        test::writeFile(dir / "other.txt", "other");
        std::optional<ZipSession> session;
        if (inSession)
            session.emplace(archive);
        ZipOneFile(archive, (dir / "a/Folders.dbx").string());
        ZipOneFile(archive, (dir / "other.txt").string());
        ZipOneFile(archive, (dir / "b/Folders.dbx").string());
        if (session)
            session->finish();
        EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"Folders.dbx", "other.txt"}))
            << "in session: " << inSession;
        EXPECT_EQ(extractOne(archive, "Folders.dbx"), "from b") << "in session: " << inSession;
        EXPECT_EQ(test::infoZipTest(archive), 0);
    }
}

TEST(ZipOneFile, MissingHiddenOrFolderNamesLeaveTheArchiveUntouched) {
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    test::writeFile(dir / "kept.txt", "kept");
    ASSERT_TRUE(ZipOneFile(archive, (dir / "kept.txt").string()));
    std::string before = test::readFile(archive);
    auto stamp = fs::last_write_time(archive);

    test::writeFile(dir / ".hidden.dbx", "hidden");
    fs::create_directory(dir / "folder");
    for (std::string name : {"missing.dbx", ".hidden.dbx", "folder", ""}) {
        EXPECT_FALSE(ZipOneFile(archive, name.empty() ? "" : (dir / name).string())) << name;
        EXPECT_EQ(test::readFile(archive), before) << name;
        EXPECT_EQ(fs::last_write_time(archive), stamp) << name;
    }
    EXPECT_FALSE(ZipOneFile((dir / "new.zip").string(), (dir / "missing.dbx").string()));
    EXPECT_FALSE(fs::exists(dir / "new.zip"));
}

// An engine failure raises a numbered error for the caller to turn into a failed item.
TEST(ZipOneFile, EngineFailuresRaiseANumberedErrorAndLeaveOldFilesAlone) {
    TempDir dir;
    test::writeFile(dir / "file.txt", "payload");
    test::writeFile(dir / "notes.zip", "these are notes, not an archive");
    for (const auto& [archive, libzipCode] :
         {std::pair{dir / "notes.zip", ZIP_ER_NOZIP}, {dir / "no/such/folder/b.zip", ZIP_ER_TMPOPEN}}) {
        std::string before = fs::exists(archive) ? test::readFile(archive) : "";
        const ArchiveError e =
            test::raisedBy([&] { ZipOneFile(archive.string(), (dir / "file.txt").string()); });
        EXPECT_EQ(e.number(), kErrZipEngine) << archive;
        EXPECT_EQ(e.source(), "CGmodule::ZipOneFile") << archive;
        EXPECT_EQ(e.engineResult(), libzipCode) << archive << ": " << e.description();
        EXPECT_EQ(e.description().rfind("error: ", 0), 0u) << e.description();
        EXPECT_EQ(fs::exists(archive) ? test::readFile(archive) : "", before) << archive;
        EXPECT_TRUE(fs::exists(dir / "file.txt"));
    }
}

// Points the spool at a folder of the test so that what is left behind can be seen.
class SpoolFolder {
public:
    SpoolFolder() { env_.set("TMPDIR", dir_.path().string()); }
    std::set<std::string> contents() const { return test::treeOf(dir_.path()); }
    // True when some file below the folder holds `bytes`.
    bool holds(const std::string& bytes) const {
        for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
            if (e.is_regular_file() && test::readFile(e.path()).find(bytes) != std::string::npos)
                return true;
        return false;
    }

private:
    TempDir dir_;
    test::EnvGuard env_;
};

TEST(ZipSession, SourcesMayBeDeletedAsSoonAsZipOneFileReturns) {
    TempDir dir;
    SpoolFolder spool;
    auto archive = (dir / "backup.zip").string();
    test::RecordingUi ui;
    {
        ZipSession session(archive, &ui);
        for (int i = 0; i < 5; ++i) {
            auto file = dir / ("KVR" + std::to_string(i) + ".tmp");
            test::writeFile(file, test::noise(200000, std::uint32_t(i)) + "tail " + std::to_string(i));
            ASSERT_TRUE(ZipOneFile(archive, file.string()));
            fs::remove(file);
        }
        // Noise that deflate cannot shrink is stored, yet the spool holds none of its bytes in the clear.
        EXPECT_FALSE(spool.holds(test::noise(200000, 4).substr(150000, 64)));
        EXPECT_FALSE(fs::exists(archive)) << "the archive is written only by finish()";
        EXPECT_FALSE(spool.contents().empty());
        EXPECT_EQ(session.entryCount(), 5u);
        session.finish();
        EXPECT_FALSE(session.isOpen());
    }
    EXPECT_TRUE(spool.contents().empty());
    EXPECT_GT(ui.pumps, 0);
    EXPECT_EQ(test::infoZipTest(archive), 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(extractOne(archive, "KVR" + std::to_string(i) + ".tmp"),
                  test::noise(200000, std::uint32_t(i)) + "tail " + std::to_string(i));
    }
}

TEST(ZipSession, WithoutFinishTheOldArchiveStaysAsItWas) {
    TempDir dir;
    SpoolFolder spool;
    auto archive = (dir / "backup.zip").string();
    test::writeFile(dir / "old.txt", "old");
    ASSERT_TRUE(ZipOneFile(archive, (dir / "old.txt").string()));
    std::string before = test::readFile(archive);
    {
        ZipSession session(archive);
        test::writeFile(dir / "new.txt", "new");
        ASSERT_TRUE(ZipOneFile(archive, (dir / "new.txt").string()));
        ASSERT_TRUE(ZipOneFile(archive, (dir / "old.txt").string()));
    }
    EXPECT_EQ(test::readFile(archive), before);
    EXPECT_TRUE(spool.contents().empty());
    // With the session gone, calls write the archive directly again.
    ASSERT_TRUE(ZipOneFile(archive, (dir / "new.txt").string()));
    EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"old.txt", "new.txt"}));
}

// An empty placeholder file becomes a new archive; the same file under another spelling of its path
// gets no second session.
TEST(ZipSession, OneArchiveHasAtMostOneSession) {
    TempDir dir;
    auto archive = (dir / "backup.tmp").string();
    test::writeFile(archive, "");
    test::writeFile(dir / "a.txt", "a");
    ZipSession first(archive);
    const ArchiveError e = test::raisedBy([&] { ZipSession second((dir / "." / "backup.tmp").string()); });
    EXPECT_EQ(e.number(), kErrZipEngine);
    EXPECT_EQ(e.engineResult(), ZIP_ER_INUSE);
    EXPECT_EQ(ZipSession::find((dir / "." / "backup.tmp").string()), &first);
    ASSERT_TRUE(ZipOneFile(archive, (dir / "a.txt").string()));
    first.finish();
    EXPECT_EQ(test::infoZipTest(archive), 0);
}

TEST(ZipSession, FinishThatCannotWriteRaisesAndEndsTheSession) {
    TempDir dir;
    SpoolFolder spool;
    fs::create_directory(dir / "target");
    auto archive = (dir / "target/backup.zip").string();
    test::writeFile(dir / "a.txt", "a");
    ZipSession session(archive);
    ASSERT_TRUE(ZipOneFile(archive, (dir / "a.txt").string()));
    fs::remove_all(dir / "target");
    const ArchiveError e = test::raisedBy([&] { session.finish(); });
    EXPECT_EQ(e.number(), kErrZipEngine);
    EXPECT_EQ(e.source(), "ZipSession");
    EXPECT_NE(e.engineResult(), 0);
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(ZipSession::find(archive), nullptr);
    EXPECT_TRUE(spool.contents().empty());
}

// Sizes around the compression block, text and noise: any number of threads makes the same archive
// byte for byte, and Info-ZIP reads every member back (noise and the empty file stored).
TEST(ZipSession, ThreadsDoNotChangeTheArchive) {
    TempDir dir;
    SpoolFolder spool;
    std::string text;
    while (text.size() < 3 * kDeflateBlock + 77)
        text += "Subject: invoice " + std::to_string(text.size() % 9973) + " regards\r\n";
    std::vector<std::pair<std::string, std::string>> files = {
        {"empty.dbx", ""},
        {"one.dbx", "x"},
        {"below.dbx", text.substr(0, kDeflateBlock - 1)},
        {"exact.dbx", text.substr(0, kDeflateBlock)},
        {"above.dbx", text.substr(0, kDeflateBlock + 1)},
        {"text.dbx", text},
        {"noise.dbx", test::noise(2 * kDeflateBlock + 5, 7)},
    };
    for (const auto& [name, data] : files)
        test::writeFile(dir / name, data);
    std::string archives[3];
    unsigned threads[3] = {1, 2, 3};
    for (int k = 0; k < 3; ++k) {
        auto archive = dir / ("threads" + std::to_string(threads[k]) + ".zip");
        ZipSession session(archive.string(), nullptr, threads[k]);
        for (const auto& [name, data] : files)
            session.add(dir / name, name, false, false);
        session.finish();
        ASSERT_EQ(test::infoZipTest(archive), 0);
        archives[k] = test::readFile(archive);
        std::vector<std::string> names;
        for (const auto& [name, data] : files) {
            names.push_back(name);
            EXPECT_TRUE(extractOne(archive, name) == data) << name << " with " << threads[k] << " threads";
        }
        EXPECT_EQ(test::infoZipNames(archive), names);
    }
    EXPECT_TRUE(archives[0] == archives[1] && archives[1] == archives[2]);
}

// What an output throws, a full disk say, reaches the caller of finish() rather than libzip's bare code.
TEST(ZipSession, AnOutputsFailureReachesTheCaller) {
    struct FullDisk : ArchiveOutput {
        void begin() override {}
        void write(std::uint64_t, const char*, std::size_t) override {
            throw std::system_error(ENOSPC, std::generic_category(), "cannot write the backup file");
        }
        void commit(std::uint64_t) override {}
        void rollback() noexcept override {}
    };
    TempDir dir;
    SpoolFolder spool;
    test::writeFile(dir / "a.dbx", "mail");
    ZipSession session((dir / "work.zip").string(), std::make_unique<FullDisk>());
    session.add(dir / "a.dbx", "a.dbx", false, false);
    try {
        session.finish();
        ADD_FAILURE() << "a failed write was taken for success";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOSPC);
        EXPECT_EQ(std::string(e.what()).rfind("cannot write the backup file", 0), 0u) << e.what();
    }
    EXPECT_TRUE(spool.contents().empty());
    EXPECT_FALSE(fs::exists(dir / "work.zip"));
}

// A file that cannot be read fails the add() that named it, not an earlier or a later one, and the
// session goes on.
TEST(ZipSession, AFailingMemberFailsOnlyItsOwnAdd) {
    TempDir dir;
    SpoolFolder spool;
    auto archive = dir / "backup.zip";
    test::writeFile(dir / "before.dbx", test::noise(3 * kDeflateBlock, 1));
    test::writeFile(dir / "after.dbx", test::noise(3 * kDeflateBlock, 2));
    fs::create_directory(dir / "unreadable.dbx"); // opens, but reading it fails
    ZipSession session(archive.string(), nullptr, 2);
    EXPECT_NO_THROW(session.add(dir / "before.dbx", "before.dbx", false, false));
    const ArchiveError e =
        test::raisedBy([&] { session.add(dir / "unreadable.dbx", "unreadable.dbx", false, false); });
    EXPECT_EQ(e.number(), kErrZipEngine);
    EXPECT_NE(e.description().find("unreadable.dbx"), std::string::npos) << e.description();
    EXPECT_NO_THROW(session.add(dir / "after.dbx", "after.dbx", false, false));
    session.finish();
    EXPECT_EQ(test::infoZipTest(archive), 0);
    EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"before.dbx", "after.dbx"}));
    EXPECT_TRUE(spool.contents().empty());
}

} // namespace
} // namespace tessaly

// DamagedArchiveTest.cpp -- one fixture per defect: each fails with its own message and result, and
// nothing is written outside the destination (nor, for unsafe names, anywhere at all); which entry names
// may be written below a destination, and where.
#include "ArchiveKit.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/EntryName.h"

#include <gtest/gtest.h>

#include <functional>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::RawEntry;
using test::TempDir;

// A sound archive whose entries are stored, so that a flipped data byte is a CRC error.
std::string soundArchive(const fs::path& dir) {
    auto path = dir / "sound.zip";
    test::makeArchive(
        path, {{"vantrel.dat", "BackupItem=10000000\r\n", true}, {"KVA1.tmp", test::noise(5000, 3), true}});
    return test::readFile(path);
}

struct Defect {
    const char* name;
    std::function<void(const fs::path& archive, const fs::path& sandbox)> make;
    int result;
    std::string message; // the start of the complaint; "{archive}" stands for the archive's path
};

std::vector<Defect> defects() {
    auto entries = [](std::vector<RawEntry> e) {
        return [e](const fs::path& archive, const fs::path&) { test::makeArchive(archive, e); };
    };
    auto bytes = [](std::function<std::string(const fs::path&)> f) {
        return
            [f](const fs::path& archive, const fs::path& sandbox) { test::writeFile(archive, f(sandbox)); };
    };
    // Each kind of unsafe name once; its spellings are in the table of entry names below. A name from the
    // root and a cut-off central directory are met through tessaly-cli (DamagedBackupFiles).
    return {
        {"parent_entry", entries({{"good.txt", "g"}, {"../escape.txt", "x"}}), UnzipResult::kUnsafeName,
         "refused \"../escape.txt\": a \"..\" component"},
        {"backslash_absolute_entry", entries({{"\\escape.txt", "x"}}), UnzipResult::kUnsafeName,
         "refused \"\\escape.txt\": an absolute name"},
        {"drive_letter_entry", entries({{"C:\\escape.txt", "x"}}), UnzipResult::kUnsafeName,
         "refused \"C:\\escape.txt\": a drive letter"},
        {"truncated_in_the_data",
         bytes([](const fs::path& sandbox) { return soundArchive(sandbox).substr(0, 2000); }),
         UnzipResult::kArchiveDamaged, ""},
        {"non_zip_bytes", bytes([](const fs::path&) { return test::noise(4096, 9); }),
         UnzipResult::kArchiveDamaged,
         "{archive} is not a zip archive, or its central directory is damaged (Not a zip archive)"},
        {"empty_file", bytes([](const fs::path&) { return std::string(); }), UnzipResult::kArchiveDamaged,
         ""},
        {"flipped_body_byte", bytes([](const fs::path& sandbox) {
             std::string zip = soundArchive(sandbox);
             zip[30 + std::string("vantrel.dat").size() + 3] ^= 0x20; // inside the first entry's data
             return zip;
         }),
         UnzipResult::kEntryDamaged, "vantrel.dat: damaged entry (CRC error)"},
        {"end_record_only",
         bytes([](const fs::path&) { return std::string("PK\x05\x06", 4) + std::string(18, '\0'); }),
         UnzipResult::kNoMatch, "caution: filename not matched:  vantrel.dat"},
        {"missing_archive", [](const fs::path&, const fs::path&) {}, UnzipResult::kArchiveNotFound,
         "cannot find or open "},
    };
}

TEST(DamagedArchive, EachDefectFailsWithItsMessageAndWritesNothingOutside) {
    for (const auto& d : defects()) {
        TempDir sandbox;
        auto archive = sandbox / (std::string(d.name) + ".zip");
        d.make(archive, sandbox.path());
        auto dest = sandbox / "dest";
        fs::create_directory(dest);
        // A good file of the same name as the damaged entry must survive.
        test::writeFile(dest / "vantrel.dat", "previous");
        auto before = test::treeOf(sandbox.path());
        std::optional<ZipNameList> names;
        if (std::string(d.name) == "end_record_only" || std::string(d.name) == "flipped_body_byte")
            names = ZipNameList{"vantrel.dat"};
        const ArchiveError e = test::raisedBy([&] { UnzipToFolder(archive.string(), dest.string(), names); });
        EXPECT_EQ(e.number(), kErrUnzipEngine) << d.name;
        EXPECT_EQ(e.engineResult(), d.result) << d.name << ": " << e.description();
        std::string message = d.message;
        if (message.starts_with("{archive}"))
            message.replace(0, 9, archive.string());
        EXPECT_EQ(e.description().rfind(message, 0), 0u) << d.name << ": " << e.description();
        EXPECT_EQ(test::treeOf(sandbox.path()), before) << d.name;
        EXPECT_EQ(test::readFile(dest / "vantrel.dat"), "previous") << d.name;
        EXPECT_FALSE(fs::exists("/escape.txt"));
        EXPECT_FALSE(fs::exists(fs::current_path() / "escape.txt"));
    }
}

// A folder inside the destination that is a symbolic link could lead anywhere.
TEST(DamagedArchive, EntriesBelowASymbolicLinkAreRefused) {
    TempDir sandbox;
    fs::create_directories(sandbox / "elsewhere");
    fs::create_directories(sandbox / "dest");
    fs::create_directory_symlink(sandbox / "elsewhere", sandbox / "dest/link");
    test::makeArchive(sandbox / "a.zip", {{"link/planted.txt", "x"}});
    const ArchiveError e =
        test::raisedBy([&] { UnzipToFolder((sandbox / "a.zip").string(), (sandbox / "dest").string()); });
    EXPECT_EQ(e.engineResult(), UnzipResult::kUnsafeName);
    EXPECT_TRUE(fs::is_empty(sandbox / "elsewhere"));
}

// An entry replaces a symbolic link of its name instead of writing through it.
TEST(DamagedArchive, AFileEntryReplacesALinkRatherThanFollowingIt) {
    TempDir sandbox;
    test::writeFile(sandbox / "outside.txt", "outside");
    fs::create_directories(sandbox / "dest");
    fs::create_symlink(sandbox / "outside.txt", sandbox / "dest/a.txt");
    test::makeArchive(sandbox / "a.zip", {{"a.txt", "inside"}});
    UnzipToFolder((sandbox / "a.zip").string(), (sandbox / "dest").string());
    EXPECT_EQ(test::readFile(sandbox / "outside.txt"), "outside");
    EXPECT_FALSE(fs::is_symlink(sandbox / "dest/a.txt"));
    EXPECT_EQ(test::readFile(sandbox / "dest/a.txt"), "inside");
}

// Entries are extracted side by side on several threads: the first damaged entry in archive order
// is the one reported, the sound ones are all written, and the damaged ones leave nothing behind.
TEST(DamagedArchive, TheFirstDamagedEntryInOrderIsReportedWhateverTheThreads) {
    TempDir sandbox;
    std::vector<test::RawEntry> entries;
    for (int i = 0; i < 8; ++i)
        entries.push_back({"e" + std::to_string(i) + ".dbx", test::noise(300000, std::uint32_t(i)), true});
    auto archive = sandbox / "a.zip";
    test::makeArchive(archive, entries);
    std::string zip = test::readFile(archive);
    for (int damaged : {5, 2})
        zip[zip.find(entries[damaged].data.substr(150000, 64)) + 10] ^= 0x20;
    test::writeFile(archive, zip);
    for (int round = 0; round < 3; ++round) {
        auto dest = sandbox / ("dest" + std::to_string(round));
        const ArchiveError e = test::raisedBy([&] { UnzipToFolder(archive.string(), dest.string()); });
        EXPECT_EQ(e.engineResult(), UnzipResult::kEntryDamaged);
        EXPECT_EQ(e.description().rfind("e2.dbx: damaged entry (CRC error)", 0), 0u) << e.description();
        std::set<std::string> expected;
        for (int i : {0, 1, 3, 4, 6, 7}) {
            expected.insert(entries[i].name);
            EXPECT_TRUE(test::readFile(dest / entries[i].name) == entries[i].data) << entries[i].name;
        }
        EXPECT_EQ(test::treeOf(dest), expected);
    }
}

// A file entry whose name is also the folder of a later entry: the file is written, the later
// entry refused, as when entries are extracted one after the other.
TEST(DamagedArchive, AFileThatIsAlsoAFolderEndsAsInArchiveOrder) {
    TempDir sandbox;
    std::string big = test::noise(400000, 4);
    test::makeArchive(sandbox / "a.zip", {{"a", big}, {"a/b.txt", "b"}, {"c.txt", "c"}});
    const ArchiveError e =
        test::raisedBy([&] { UnzipToFolder((sandbox / "a.zip").string(), (sandbox / "dest").string()); });
    EXPECT_EQ(e.engineResult(), UnzipResult::kWriteFailed);
    EXPECT_EQ(e.description().rfind("cannot create the folder", 0), 0u) << e.description();
    EXPECT_TRUE(test::readFile(sandbox / "dest/a") == big);
    EXPECT_EQ(test::readFile(sandbox / "dest/c.txt"), "c");
}

TEST(EntryName, DefectsOfNames) {
    struct Case {
        const char* name;
        EntryNameDefect defect;
    };
    const Case cases[] = {
        {"Inbox.dbx", EntryNameDefect::None},
        {"sub/dir/file.txt", EntryNameDefect::None},
        {"./file.txt", EntryNameDefect::None},
        {"..file", EntryNameDefect::None},
        {"file..", EntryNameDefect::None},
        {"a/.../b", EntryNameDefect::ParentComponent},
        {"..", EntryNameDefect::ParentComponent},
        {"a/../b", EntryNameDefect::ParentComponent},
        {"a\\..\\b", EntryNameDefect::ParentComponent},
        {"a/.. /b", EntryNameDefect::ParentComponent},
        {"/etc/passwd", EntryNameDefect::Absolute},
        {"\\\\server\\share\\x", EntryNameDefect::Absolute},
        {"C:\\x", EntryNameDefect::DriveLetter},
        {"z:x", EntryNameDefect::DriveLetter},
        {"1:x", EntryNameDefect::None},
        {"", EntryNameDefect::Empty},
        {"./", EntryNameDefect::Empty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entryNameDefect(c.name), c.defect) << '"' << c.name << '"';
}

TEST(EntryName, RelativePaths) {
    EXPECT_EQ(entryRelativePath("a\\b/./c d.txt", true, false), std::filesystem::path("a/b/c d.txt"));
    EXPECT_EQ(entryRelativePath("a\\b/./c d.txt", false, true), std::filesystem::path("c_d.txt"));
    EXPECT_EQ(entryRelativePath("dir/", true, false), std::filesystem::path("dir"));
}

TEST(EntryName, CaseBlindComparison) {
    EXPECT_TRUE(sameNameIgnoringCase("Inbox.DBX", "inbox.dbx"));
    EXPECT_TRUE(sameNameIgnoringCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"));
    EXPECT_FALSE(sameNameIgnoringCase("Inbox.dbx", "Inbox.dbx2"));
    EXPECT_FALSE(sameNameIgnoringCase("a\xc3\xa9", "a\xc3\xa8"));
}

} // namespace
} // namespace tessaly

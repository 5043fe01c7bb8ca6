// SealedOutputTest.cpp -- backup files sealed while libzip writes their archive, which goes back over
// each member's header as it writes.
#include "archive/ZipSession.h"
#include "backupfile/ScrambledOutput.h"
#include "backupfile/Scrambler.h"
#include "backupfile/StrongOutput.h"

#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

const char* kPassword = "p\xc3\xa4ss";

// Members of several compression blocks and several sealing slices (noise is stored), an empty one,
// and the info file, added to a session.
class SealedOutput : public ::testing::Test {
protected:
    void SetUp() override {
        std::string text;
        while (text.size() < 3 * (1u << 20) + 77)
            text += "Subject: invoice " + std::to_string(text.size() % 9973) + " regards\r\n";
        files_ = {{"Inbox.dbx", text},
                  {"Sent.dbx", test::noise(2500000, 1)},
                  {"empty.dbx", ""},
                  {"Drafts.dbx", test::noise(1700000, 2)},
                  {"vantrel.dat", "BackupItem=11111111\r\n"}};
        for (const auto& [name, data] : files_)
            writeFile(dir_ / name, data);
        ZipSession plain((dir_ / "plain.zip").string(), nullptr, 1);
        addAll(plain);
        plain.finish();
    }
    void addAll(ZipSession& session) {
        for (const auto& [name, data] : files_)
            session.add(dir_ / name, name, false, false);
    }
    // Sealed with either protection (a quick key derivation for the strong one).
    std::unique_ptr<ArchiveOutput> output(bool strong, const fs::path& file) {
        if (strong)
            return std::make_unique<StrongOutput>(file, dir_ / "staged", kPassword, KdfParameters{1, 8192});
        return std::make_unique<ScrambledOutput>(file, kPassword, cp_);
    }
    // Writes through `output`; with finish false the session is dropped instead.
    void writeThrough(std::unique_ptr<ArchiveOutput> output, bool finish) {
        ZipSession session((dir_ / "work.zip").string(), std::move(output));
        addAll(session);
        if (finish)
            session.finish();
        EXPECT_FALSE(fs::exists(dir_ / "work.zip"));
    }

    TempDir dir_;
    CodePage cp_{1252};
    test::RecordingUi ui_;
    std::vector<std::pair<std::string, std::string>> files_;
};

// Scrambled, byte for byte the archive written plain and scrambled afterwards; strong (sealed by the
// second thread as the archive is staged), it opens to exactly the archive written plain. A dropped
// session leaves no file, and the staging file goes with the session either way.
TEST_F(SealedOutput, SealedWhileWrittenEqualsTheArchiveWrittenPlain) {
    scrambleInto(dir_ / "plain.zip", dir_ / "afterwards.tsy", kPassword, cp_, ui_);
    writeThrough(output(false, dir_ / "direct.tsy"), true);
    EXPECT_TRUE(readFile(dir_ / "direct.tsy") == readFile(dir_ / "afterwards.tsy"));
    writeThrough(output(true, dir_ / "strong.tsy"), true);
    openStrong(dir_ / "strong.tsy", kPassword, dir_ / "opened.zip", ui_);
    EXPECT_TRUE(readFile(dir_ / "opened.zip") == readFile(dir_ / "plain.zip"));
    for (bool strong : {false, true}) {
        EXPECT_FALSE(fs::exists(dir_ / "staged"));
        writeThrough(output(strong, dir_ / "dropped.tsy"), false);
        EXPECT_FALSE(fs::exists(dir_ / "dropped.tsy")) << strong;
    }
    EXPECT_FALSE(fs::exists(dir_ / "staged"));
}

// The caller's events keep running while commit waits for the second thread: here the key derivation
// alone outlasts writing the archive.
TEST_F(SealedOutput, StrongCommitLetsTheCallerPumpWhileItWaits) {
    int pumps = 0;
    writeThrough(std::make_unique<StrongOutput>(dir_ / "strong.tsy", dir_ / "staged", kPassword,
                                                KdfParameters{}, [&] { ++pumps; }),
                 true);
    EXPECT_GT(pumps, 0);
}

// Another user of a shared folder who plants a link under the sealed name gets a refused run, and the
// file the link names keeps its bytes.
TEST_F(SealedOutput, ALinkAtTheSealedNameIsNeverFollowed) {
    writeFile(dir_ / "victim", "someone else's");
    for (bool strong : {false, true}) {
        fs::remove(dir_ / "planted.tsy");
        fs::create_symlink(dir_ / "victim", dir_ / "planted.tsy");
        ZipSession session((dir_ / "work.zip").string(), output(strong, dir_ / "planted.tsy"));
        addAll(session);
        EXPECT_ANY_THROW(session.finish()) << strong;
        EXPECT_EQ(readFile(dir_ / "victim"), "someone else's") << strong;
    }
}

} // namespace
} // namespace tessaly

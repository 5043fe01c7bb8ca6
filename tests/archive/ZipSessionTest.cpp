// ZipSessionTest.cpp -- a backup's open archive: sources deletable at once, nothing on disk before
// finish(), the spool folder cleaned up, and an unfinished session leaving the old archive.
#include "archive/ZipSession.h"
#include "../platform/EnvGuard.h"
#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/BlockDeflate.h"
#include "archive/CGmodule.h"
#include "platform/Ui.h"

#include <gtest/gtest.h>

#include <random>
#include <system_error>

#include <zip.h>
#include <zlib.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

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
        // A member deflate cannot shrink is stored, yet the spool holds none of its bytes in the clear.
        std::mt19937 random(7);
        std::string stored(300000, 'x');
        for (char& c : stored)
            c = char(random());
        test::writeFile(dir / "stored.bin", stored);
        ASSERT_TRUE(ZipOneFile(archive, (dir / "stored.bin").string()));
        fs::remove(dir / "stored.bin");
        EXPECT_FALSE(spool.holds(stored.substr(150000, 64)));
        EXPECT_FALSE(fs::exists(archive)) << "the archive is written only by finish()";
        EXPECT_FALSE(spool.contents().empty());
        EXPECT_EQ(session.entryCount(), 6u);
        session.finish();
        EXPECT_FALSE(session.isOpen());
    }
    EXPECT_TRUE(spool.contents().empty());
    EXPECT_GT(ui.pumps, 0);
    EXPECT_EQ(test::infoZipTest(archive), 0);
    for (int i = 0; i < 5; ++i) {
        auto r = test::runCommand("unzip -p " + test::quoted(archive) + " KVR" + std::to_string(i) + ".tmp");
        EXPECT_EQ(r.output, test::noise(200000, std::uint32_t(i)) + "tail " + std::to_string(i));
    }
    EXPECT_EQ(test::runCommand("unzip -p " + test::quoted(archive) + " stored.bin | wc -c").output,
              "300000\n");
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

TEST(ZipSession, AnEmptyPlaceholderFileBecomesANewArchive) {
    TempDir dir;
    auto archive = (dir / "backup.tmp").string();
    test::writeFile(archive, "");
    test::writeFile(dir / "a.txt", "a");
    ZipSession session(archive);
    ASSERT_TRUE(ZipOneFile(archive, (dir / "a.txt").string()));
    session.finish();
    EXPECT_EQ(test::infoZipTest(archive), 0);
}

TEST(ZipSession, OneArchiveHasAtMostOneSession) {
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    ZipSession first(archive);
    try {
        // The same file under another spelling of its path.
        ZipSession second((dir / "." / "backup.zip").string());
        ADD_FAILURE() << "a second session opened";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.number(), kErrZipEngine);
        EXPECT_EQ(e.engineResult(), ZIP_ER_INUSE);
    }
    EXPECT_EQ(ZipSession::find((dir / "." / "backup.zip").string()), &first);
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
    try {
        session.finish();
        ADD_FAILURE() << "finish succeeded without its folder";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.number(), kErrZipEngine);
        EXPECT_EQ(e.source(), "ZipSession");
        EXPECT_NE(e.engineResult(), 0);
    }
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
            auto r = test::runCommand("unzip -p " + test::quoted(archive) + " " + name);
            EXPECT_TRUE(r.output == data) << name << " with " << threads[k] << " threads";
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
    try {
        session.add(dir / "unreadable.dbx", "unreadable.dbx", false, false);
        ADD_FAILURE() << "an unreadable file was added";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.number(), kErrZipEngine);
        EXPECT_NE(e.description().find("unreadable.dbx"), std::string::npos) << e.description();
    }
    EXPECT_NO_THROW(session.add(dir / "after.dbx", "after.dbx", false, false));
    session.finish();
    EXPECT_EQ(test::infoZipTest(archive), 0);
    EXPECT_EQ(test::infoZipNames(archive), (std::vector<std::string>{"before.dbx", "after.dbx"}));
    EXPECT_TRUE(spool.contents().empty());
}

std::string rawDeflate(const std::string& data) {
    z_stream zs{};
    deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, uLong(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string rawInflate(const std::string& stream) {
    z_stream zs{};
    inflateInit2(&zs, -15);
    std::string out, chunk(1 << 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    zs.avail_in = uInt(stream.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(chunk.data());
        zs.avail_out = uInt(chunk.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        out.append(chunk.data(), chunk.size() - zs.avail_out);
    }
    inflateEnd(&zs);
    return rc == Z_STREAM_END ? out : "<damaged>";
}

// Streams ending at every bit position of their last byte, joined to the next: one stream whose data
// is both in order. Anything but one complete stream is refused.
TEST(BlockDeflate, JoinedStreamsInflateToTheirDataInOrder) {
    const std::string tail = "and the next block\r\n";
    for (std::size_t n = 0; n < 64; ++n) {
        std::string head = test::noise(n, std::uint32_t(n)) + std::string(n % 7, 'a');
        std::string stream = rawDeflate(head);
        std::vector<unsigned char> bytes(stream.begin(), stream.end());
        ASSERT_TRUE(makeJoinable(bytes)) << n;
        EXPECT_EQ(rawInflate(std::string(bytes.begin(), bytes.end()) + rawDeflate(tail)), head + tail) << n;
    }
    std::string stream = rawDeflate(test::noise(5000, 3));
    for (std::string bad : {stream.substr(0, stream.size() - 1), stream + "x", std::string("\xff\xff\xff")}) {
        std::vector<unsigned char> bytes(bad.begin(), bad.end());
        EXPECT_FALSE(makeJoinable(bytes));
    }
}

} // namespace
} // namespace tessaly

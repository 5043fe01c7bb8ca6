// IsoFileTest.cpp -- the image saved as an ISO file and read back with xorriso, and an ISO file written to a
// disc: refusals and cancelling.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

class SaveIso : public ::testing::Test {
protected:
    TempDir dir;
    DiscRig rig{{"stdio:" + (dir / "disc.iso").string()}};
    DiscWriter& w = *rig.writer;

    void SetUp() override {
        writePatternFile(dir / "src" / "Backup.tsy", 70000, 1);
        writePatternFile(dir / "src" / "Mail" / "Posteingang ä.dbx", 12345, 2);
        writePatternFile(dir / "src" / "Mail" / "leer.dbx", 0, 3);
        ASSERT_TRUE(w.AddFolder("\\Daten", (dir / "src" / "*.*").string()));
    }

    std::vector<fs::path> leftovers() {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().find(".iso.") != std::string::npos)
                found.push_back(entry.path());
        return found;
    }
};

TEST_F(SaveIso, TheFileHoldsTheImageAsXorrisoReadsIt) {
    const fs::path iso = dir / "out.iso";
    w.SetVolumeLabel("Sicherung");
    rig.recorder.events.clear();
    ASSERT_TRUE(w.SaveISO(iso.string()));
    EXPECT_EQ(static_cast<long long>(fs::file_size(iso)), w.ImageBlocks() * 2048);
    const auto progress = rig.recorder.named("WriteProgress");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(fieldsOf(progress.back())[2], std::to_string(w.ImageBlocks()));
    EXPECT_TRUE(leftovers().empty());

    const auto listed = xorrisoList(iso);
    EXPECT_EQ(listed.size(), 6u);
    EXPECT_EQ(listed.at("/Daten/Backup.tsy").size, 70000);
    EXPECT_EQ(listed.at("/Daten/Mail/Posteingang ä.dbx").size, 12345);
    EXPECT_EQ(listed.at("/Daten/Mail/leer.dbx").size, 0);
    ASSERT_TRUE(xorrisoExtract(iso, dir / "out"));
    EXPECT_EQ(readFile(dir / "out" / "Daten" / "Backup.tsy"), readFile(dir / "src" / "Backup.tsy"));
    EXPECT_EQ(readFile(dir / "out" / "Daten" / "Mail" / "Posteingang ä.dbx"),
              readFile(dir / "src" / "Mail" / "Posteingang ä.dbx"));
}

TEST_F(SaveIso, AVanishedSourceFailsAndLeavesAnOldFileAlone) {
    const fs::path iso = dir / "out.iso";
    writeFile(iso, "the old file");
    fs::remove(dir / "src" / "Mail" / "leer.dbx");
    rig.recorder.events.clear();
    EXPECT_FALSE(w.SaveISO(iso.string()));
    EXPECT_EQ(rig.recorder.events,
              (std::vector<std::string>{"FileError|0|" + (dir / "src" / "Mail" / "leer.dbx").string()}));
    EXPECT_EQ(readFile(iso), "the old file");
    EXPECT_TRUE(leftovers().empty());
    EXPECT_FALSE(w.SaveISO((dir / "no-such-folder" / "x.iso").string()));
}

TEST_F(SaveIso, ImportedFilesAreCopiedFromTheDisc) {
    ASSERT_TRUE(w.StartWrite());
    ASSERT_TRUE(rig.waitForJob());
    w.ClearImage();
    ASSERT_TRUE(w.ImportSession(false));
    writePatternFile(dir / "extra.txt", 222, 4);
    ASSERT_TRUE(w.AddFile("\\extra.txt", (dir / "extra.txt").string()));
    // The sources on this computer are gone; the disc still holds their data.
    fs::remove_all(dir / "src");
    const fs::path iso = dir / "copy.iso";
    ASSERT_TRUE(w.SaveISO(iso.string()));
    const auto listed = xorrisoList(iso);
    EXPECT_EQ(listed.at("/Daten/Backup.tsy").size, 70000);
    EXPECT_EQ(listed.at("/extra.txt").size, 222);
    ASSERT_TRUE(xorrisoExtract(iso, dir / "out"));
    ASSERT_TRUE(xorrisoExtract(dir / "disc.iso", dir / "fromDisc"));
    EXPECT_EQ(readFile(dir / "out" / "Daten" / "Backup.tsy"),
              readFile(dir / "fromDisc" / "Daten" / "Backup.tsy"));
    EXPECT_EQ(readFile(dir / "out" / "extra.txt"), readFile(dir / "extra.txt"));
}

class WriteIso : public ::testing::Test {
protected:
    TempDir dir;
    fs::path iso = dir / "image.iso";

    void SetUp() override {
        writePatternFile(dir / "src" / "a.tsy", 250000, 1);
        writePatternFile(dir / "src" / "Ordner" / "b.txt", 3333, 2);
        DiscRig maker({});
        ASSERT_TRUE(maker.writer->AddFolder("\\Backup", (dir / "src").string()));
        ASSERT_TRUE(maker.writer->SaveISO(iso.string()));
    }
};

TEST_F(WriteIso, TheImageIsWrittenVerifiedAndReadable) {
    const fs::path disc = dir / "disc.iso";
    DiscRig rig({"stdio:" + disc.string()});
    rig.writer->SetAutoVerify(true);
    ASSERT_TRUE(rig.writer->WriteISO(iso.string()));
    ASSERT_TRUE(rig.waitForJob());
    const auto names = rig.recorder.names();
    EXPECT_EQ(names.front(), "WritePreparing");
    EXPECT_FALSE(rig.recorder.has("DriveError"));
    EXPECT_EQ(
        rig.recorder.named("VerifyFile"),
        (std::vector<std::string>{"VerifyFile|stdio:" + disc.string() + "|" + iso.string() + "|3|1|1"}));
    EXPECT_EQ(rig.recorder.events.back(), "VerifyDone|1|1");
    EXPECT_EQ(rig.writer->SessionCount(), 1); // the files on the disc are read back by the window's test
}

TEST_F(WriteIso, AMissingFileIsNotStarted) {
    DiscRig rig({"stdio:" + (dir / "disc.iso").string()});
    EXPECT_FALSE(rig.writer->WriteISO((dir / "none.iso").string()));
    EXPECT_EQ(rig.recorder.events, (std::vector<std::string>{"FileError|0|" + (dir / "none.iso").string()}));
    EXPECT_FALSE(rig.writer->IsBusy());
}

TEST_F(WriteIso, AnImageTooLargeForTheDiscIsRefused) {
    const fs::path disc = dir / "small.iso";
    DiscRig rig({"stdio:" + disc.string() + "#64K"});
    ASSERT_TRUE(rig.writer->WriteISO(iso.string()));
    ASSERT_TRUE(rig.waitForJob());
    ASSERT_EQ(rig.recorder.names(), (std::vector<std::string>{"WritePreparing", "DriveError"}));
    EXPECT_EQ(fieldsOf(rig.recorder.events.back())[2], "1021");
    EXPECT_FALSE(fs::exists(disc) && fs::file_size(disc) > 0);
}

TEST_F(WriteIso, ACancelledImageWriteLeavesNoImageThatLooksWhole) {
    const fs::path disc = dir / "disc.iso";
    writePatternFile(dir / "big" / "big.bin", 12 * 1024 * 1024, 3);
    const fs::path bigIso = dir / "big.iso";
    {
        DiscRig maker({});
        ASSERT_TRUE(maker.writer->AddFolder("\\", (dir / "big").string()));
        ASSERT_TRUE(maker.writer->SaveISO(bigIso.string()));
    }
    DiscRig rig({"stdio:" + disc.string()});
    rig.writer->SetWriteSpeed(4000);
    rig.recorder.onEvent = [&](const std::string& line) {
        if (line.rfind("WriteProgress|", 0) == 0 && std::stoll(fieldsOf(line)[2]) > 0)
            rig.writer->AbortWrite();
    };
    ASSERT_TRUE(rig.writer->WriteISO(bigIso.string()));
    ASSERT_TRUE(rig.waitForJob());
    rig.recorder.onEvent = nullptr;
    EXPECT_EQ(rig.recorder.events.back(), "WriteCancelled");
    EXPECT_EQ(rig.writer->DiscStatus(), kDiscEmpty);
    EXPECT_EQ(xorrisoSessionCount(disc), 0);
}

} // namespace
} // namespace tessaly::test

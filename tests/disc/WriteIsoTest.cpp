// WriteIsoTest.cpp -- writing an ISO file to a disc.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

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

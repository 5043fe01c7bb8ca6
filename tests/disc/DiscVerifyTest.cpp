// DiscVerifyTest.cpp -- the read-back comparison that AutoVerify relies on finds every kind of fault.
#include "disc/DiscVerify.h"
#include "DiscTestKit.h"
#include "TempDir.h"
#include "disc/BurnLibrary.h"
#include "disc/BurnLibs.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

class DiscVerify : public ::testing::Test {
protected:
    TempDir dir;
    fs::path disc = dir / "disc.iso";
    burn::burn_drive_info* info = nullptr;
    IsoImage* image = nullptr;

    void SetUp() override {
        writePatternFile(dir / "src" / "a.bin", 50000, 1);
        writePatternFile(dir / "src" / "b.bin", 4096, 2);
        DiscRig rig({"stdio:" + disc.string()});
        ASSERT_TRUE(rig.writer->AddFolder("\\", (dir / "src").string()));
        ASSERT_TRUE(rig.writer->StartWrite());
        ASSERT_TRUE(rig.waitForJob());
        ASSERT_EQ(rig.recorder.events.back(), "WriteDone");
    }

    // Opens the disc as the control reads it back after a write.
    void readDisc() {
        ASSERT_TRUE(acquireBurnLibrary());
        const std::string address = "stdio:" + disc.string();
        ASSERT_EQ(burn::isoburn_drive_aquire(&info, const_cast<char*>(address.c_str()), 0), 1);
        burn::isoburn_read_opts* ropts = nullptr;
        ASSERT_EQ(burn::isoburn_ropt_new(&ropts, 0), 1);
        burn::isoburn_ropt_set_extensions(ropts, isoburn_ropt_noiso1999 | isoburn_ropt_noaaip);
        ASSERT_EQ(burn::isoburn_read_image(info[0].drive, ropts, &image), 1);
        burn::isoburn_ropt_destroy(&ropts, 0);
    }

    void TearDown() override {
        if (image)
            iso_image_unref(image);
        if (info) {
            burn::isoburn_drive_release(info[0].drive, 0);
            burn::burn_drive_info_free(info);
            releaseBurnLibrary();
        }
    }
};

TEST_F(DiscVerify, EachKindOfDifferenceHasItsResult) {
    readDisc();
    EXPECT_EQ(CompareWithDisc(image, "\\a.bin", (dir / "src" / "a.bin").string()), kVerifyMatched);
    EXPECT_EQ(CompareWithDisc(image, "\\A.BIN", (dir / "src" / "a.bin").string()), kVerifyMatched);

    std::string changed = readFile(dir / "src" / "a.bin");
    changed[40000] ^= 0x01;
    writeFile(dir / "changed.bin", changed);
    EXPECT_EQ(CompareWithDisc(image, "\\a.bin", (dir / "changed.bin").string()), kVerifyMismatch);
    writeFile(dir / "short.bin", changed.substr(0, 49999));
    EXPECT_EQ(CompareWithDisc(image, "\\a.bin", (dir / "short.bin").string()), kVerifySizeMismatch);
    EXPECT_EQ(CompareWithDisc(image, "\\a.bin", (dir / "gone.bin").string()), kVerifySourceUnreadable);
    EXPECT_EQ(CompareWithDisc(image, "\\c.bin", (dir / "src" / "a.bin").string()), kVerifyDiscUnreadable);
}

TEST_F(DiscVerify, AByteChangedOnTheDiscIsFound) {
    // Flip one byte of b.bin's data on the medium itself.
    std::string bytes = readFile(disc);
    const std::string content = readFile(dir / "src" / "b.bin");
    const auto at = bytes.find(content.substr(0, 512));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 3000] ^= 0x40;
    {
        std::ofstream out(disc, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(at + 3000));
        out.put(bytes[at + 3000]);
    }
    readDisc();
    EXPECT_EQ(CompareWithDisc(image, "\\b.bin", (dir / "src" / "b.bin").string()), kVerifyMismatch);
    EXPECT_EQ(CompareWithDisc(image, "\\a.bin", (dir / "src" / "a.bin").string()), kVerifyMatched);
}

TEST_F(DiscVerify, AnIsoFileIsComparedWithTheStartOfTheMedium) {
    // The disc file from block 32 on holds the session as an image of its own would.
    readDisc();
    const std::string whole = readFile(disc);
    writeFile(dir / "head.iso", whole.substr(0, 40 * 2048));
    EXPECT_EQ(CompareIsoWithDrive(info[0].drive, (dir / "head.iso").string()), kVerifyMatched);
    std::string wrong = whole.substr(0, 40 * 2048);
    wrong[33 * 2048 + 5] ^= 0x10;
    writeFile(dir / "wrong.iso", wrong);
    EXPECT_EQ(CompareIsoWithDrive(info[0].drive, (dir / "wrong.iso").string()), kVerifyMismatch);
    writeFile(dir / "long.iso", whole + std::string(4096, 'x'));
    // Longer than what the medium holds: never a match (a pseudo-drive reads zeros past its end).
    EXPECT_NE(CompareIsoWithDrive(info[0].drive, (dir / "long.iso").string()), kVerifyMatched);
    EXPECT_EQ(CompareIsoWithDrive(info[0].drive, (dir / "none.iso").string()), kVerifySourceUnreadable);
}

} // namespace
} // namespace tessaly::test

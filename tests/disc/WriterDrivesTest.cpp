// WriterDrivesTest.cpp -- drives: none at all, pseudo-drives and what they report.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

bool machineHasOpticalDrive() {
    for (const char* device : {"/dev/sr0", "/dev/sr1", "/dev/scd0"})
        if (fs::exists(device))
            return true;
    return false;
}

TEST(WriterDrives, NoDrivesAtAllMeansCountZeroNoCrashAndNothingOnStderr) {
    ::unsetenv("TESSALY_EXTRA_DRIVES");
    EventQueue queue;
    testing::internal::CaptureStderr();
    {
        BurnDiscWriter writer(queue.poster());
        EXPECT_TRUE(writer.InitDrives(false));
        if (!machineHasOpticalDrive()) {
            EXPECT_EQ(writer.DriveCount(), 0);
        }
        EXPECT_TRUE(writer.InitDrives(true));
        EXPECT_EQ(writer.DriveCount(), 0);
        EXPECT_FALSE(writer.SelectDrive(0));
        EXPECT_FALSE(writer.SelectDrive(-1));
        EXPECT_FALSE(writer.IsWriter(0));
        EXPECT_EQ(writer.DriveId(0), "");
        EXPECT_EQ(writer.MediaType(), kMediaNotLoaded);
        EXPECT_EQ(writer.MaxWriteSpeed(), 0);
        EXPECT_FALSE(writer.HasFeature(kFeatureBufferProtection));
        EXPECT_FALSE(writer.EjectTray(false));
        EXPECT_FALSE(writer.StartWrite());
        EXPECT_FALSE(writer.EraseMedia(true));
        EXPECT_FALSE(writer.CloseMedia(true));
        EXPECT_FALSE(writer.ImportSession(true));
        EXPECT_EQ(writer.DiscStatus(), kDiscUnknown);
        EXPECT_EQ(writer.LastSessionStatus(), kSessionUnknown);
        EXPECT_EQ(writer.SessionCount(), 0);
        EXPECT_EQ(writer.FreeBlocks(), 0);
        EXPECT_FALSE(writer.HasFileSystem(kFsIso9660));
        queue.drain();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(WriterDrives, PseudoDrivesAreWritersOfAnOverwritableDvd) {
    TempDir dir;
    DiscRig rig({"stdio:" + (dir / "one.iso").string(), "stdio:" + (dir / "two.iso").string() + "#700M"});
    DiscWriter& w = *rig.writer;
    ASSERT_EQ(w.DriveCount(), 2);
    // The first drive's id, name and writer flag are listed by the drives verb's test.
    EXPECT_EQ(w.DriveId(1), "stdio:" + (dir / "two.iso").string());
    EXPECT_TRUE(w.IsWriter(1));
    EXPECT_FALSE(w.IsWriter(2));
    ASSERT_TRUE(w.SelectDrive(1));
    EXPECT_EQ(w.MediaType(), kMediaDvdRam);
    EXPECT_EQ(MediaTypeText(w.MediaType()), "DVD-RAM");
    EXPECT_EQ(w.MaxWriteSpeed(), 0);
    const std::pair<int, bool> features[] = {{kFeatureCdRw, false},
                                             {kFeatureDvdRam, true},
                                             {kFeatureBufferProtection, true},
                                             {kFeatureDvdRw, false},
                                             {kFeatureDvdPlusRw, false}};
    for (const auto& [code, has] : features)
        EXPECT_EQ(w.HasFeature(code), has) << code;

    EXPECT_EQ(w.DiscStatus(), kDiscEmpty);
    EXPECT_EQ(w.SessionCount(), 0);
    EXPECT_EQ(w.LastSessionStatus(), kSessionEmpty);
    EXPECT_EQ(w.DiscType(), kDiscTypeUnknown);
    EXPECT_EQ(w.UsedBlocks(), 0);
    EXPECT_EQ(w.FreeBlocks(), 700 * 512 - 32);
    EXPECT_EQ(w.TotalBlocks(), 700 * 512);
    EXPECT_TRUE(w.MultiSessionAllowed());
    EXPECT_FALSE(w.ImportAllowed());
    for (int flag : {kFsOther, kFsIso9660, kFsJoliet, kFsUdf})
        EXPECT_FALSE(w.HasFileSystem(flag)) << flag;
    // Selecting does not create the image file; writing does.
    EXPECT_FALSE(fs::exists(dir / "two.iso"));
}

TEST(WriterDrives, APseudoDriveInAFolderThatIsNotThereCannotBeSelected) {
    TempDir dir;
    DiscRig rig({"stdio:" + (dir / "missing" / "disc.iso").string()});
    EXPECT_EQ(rig.writer->DriveCount(), 1);
    EXPECT_FALSE(rig.writer->SelectDrive(0));
    EXPECT_EQ(rig.writer->MediaType(), kMediaNotLoaded);
    EXPECT_FALSE(rig.writer->StartWrite());
}

TEST(WriterDrives, EjectingAPseudoDriveLetsGoOfTheFileAndTakesItUpAgain) {
    TempDir dir;
    writePatternFile(dir / "a.txt", 3000, 1);
    DiscRig rig({"stdio:" + (dir / "disc.iso").string()});
    DiscWriter& w = *rig.writer;
    ASSERT_TRUE(w.AddFile("\\a.txt", (dir / "a.txt").string()));
    ASSERT_TRUE(w.StartWrite());
    ASSERT_TRUE(rig.waitForJob());
    ASSERT_EQ(rig.recorder.events.back(), "WriteDone");
    EXPECT_TRUE(w.EjectTray(false));
    EXPECT_EQ(w.MediaType(), kMediaDvdRam);
    EXPECT_EQ(w.SessionCount(), 1);
    EXPECT_TRUE(w.EjectTray(true));
    EXPECT_EQ(w.DiscStatus(), kDiscOpen);
    // A bus scan after pseudo-drives have been in use still works and lists them again.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(w.InitDrives(false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(w.DriveId(w.DriveCount() - 1), "stdio:" + (dir / "disc.iso").string());
    EXPECT_EQ(w.MediaType(), kMediaNotLoaded); // nothing is selected after a new scan
}

TEST(WriterDrives, ImportedItemsLeaveTheImageWithTheirDrive) {
    TempDir dir;
    writePatternFile(dir / "src" / "Mail" / "a.txt", 3000, 1);
    writePatternFile(dir / "mine.txt", 10, 2);
    DiscRig rig({"stdio:" + (dir / "one.iso").string(), "stdio:" + (dir / "two.iso").string()});
    DiscWriter& w = *rig.writer;
    ASSERT_TRUE(w.AddFolder("\\Mail", (dir / "src" / "Mail").string()));
    ASSERT_TRUE(w.StartWrite());
    ASSERT_TRUE(rig.waitForJob());
    w.ClearImage();
    ASSERT_TRUE(w.ImportSession(false));
    ASSERT_TRUE(w.AddFile("\\Mail\\mine.txt", (dir / "mine.txt").string()));
    rig.recorder.events.clear();
    // Another drive: the imported file can no longer be read, so it goes; the folder holds a file
    // from this computer and stays.
    ASSERT_TRUE(w.SelectDrive(1));
    EXPECT_TRUE(rig.recorder.named("FolderRemoved").empty());
    EXPECT_EQ(w.ImageFileCount(), 1);
    EXPECT_EQ(w.ImageFolderCount(), 1);
    ASSERT_TRUE(w.StartWrite());
    ASSERT_TRUE(rig.waitForJob());
    EXPECT_EQ(rig.recorder.events.back(), "WriteDone");
    const auto listed = xorrisoList(dir / "two.iso");
    EXPECT_EQ(listed.count("/Mail/mine.txt"), 1u);
    EXPECT_EQ(listed.count("/Mail/a.txt"), 0u);
}

} // namespace
} // namespace tessaly::test

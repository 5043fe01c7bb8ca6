// WriterDrivesTest.cpp -- drives: none at all, pseudo-drives and what they report.
#include "DiscTestKit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

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
        // Every call that needs a drive refuses, or answers "nothing" (called in this order).
        const bool refused[] = {writer.SelectDrive(0),      writer.SelectDrive(-1),
                                writer.IsWriter(0),         writer.HasFeature(kFeatureBufferProtection),
                                writer.EjectTray(false),    writer.StartWrite(),
                                writer.EraseMedia(true),    writer.CloseMedia(true),
                                writer.ImportSession(true), writer.HasFileSystem(kFsIso9660)};
        for (std::size_t i = 0; i < std::size(refused); ++i)
            EXPECT_FALSE(refused[i]) << "call " << i;
        EXPECT_EQ(writer.DriveId(0), "");
        EXPECT_EQ(writer.MediaType(), kMediaNotLoaded);
        EXPECT_EQ(writer.DiscStatus(), kDiscUnknown);
        EXPECT_EQ(writer.LastSessionStatus(), kSessionUnknown);
        EXPECT_EQ(std::tuple(writer.MaxWriteSpeed(), writer.SessionCount(), writer.FreeBlocks()),
                  std::tuple(0, 0, 0LL));
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
    EXPECT_EQ(w.TotalBlocks(), 700 * 512); // the second drive's capacity
    // Its media facts are read through the info verb (DiscVerbs.DrivesAndInfoOfAFreshPseudoDrive).
    EXPECT_EQ(w.MaxWriteSpeed(), 0);
    const std::pair<int, bool> features[] = {{kFeatureCdRw, false},
                                             {kFeatureDvdRam, true},
                                             {kFeatureBufferProtection, true},
                                             {kFeatureDvdRw, false},
                                             {kFeatureDvdPlusRw, false}};
    for (const auto& [code, has] : features)
        EXPECT_EQ(w.HasFeature(code), has) << code;
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

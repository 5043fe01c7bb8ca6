// DiscTablesTest.cpp -- the control's tables and texts: MMC profiles mapped onto its codes and the drive's
// features, TESSALY_EXTRA_DRIVES entries and their capacities, image paths and item names (joining is seen in
// the exact paths of the writer's events), libburn and libisofs messages turned into DriveError and
// FileError, the drive error table, file error texts and the DriveError message.
#include "disc/BurnErrors.h"
#include "disc/DiscCodes.h"
#include "disc/DriveErrorText.h"
#include "disc/ExtraDrives.h"
#include "disc/ImagePath.h"
#include "disc/MediaProfiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace tessaly {
namespace {

TEST(MediaProfiles, ProfilesMapOntoTheTableAndOthersStayOutOfIt) {
    const std::pair<int, int> cases[] = {
        {0x00, 254}, {0x09, 255}, {0x0a, 253}, {0x10, 0},  {0x11, 2},   {0x12, 1},
        {0x13, 3},   {0x14, 3},   {0x1a, 9},   {0x1b, 10}, {0x2b, 252}, {0xffff, 1},
    };
    for (const auto& [profile, code] : cases)
        EXPECT_EQ(MediaTypeForProfile(profile), code) << std::hex << profile;
    // A pressed CD-ROM, BD media and removable disks have no code in the table; their codes never
    // collide with one that has a text.
    for (int profile : {0x01, 0x02, 0x08, 0x15, 0x40, 0x41, 0x43}) {
        EXPECT_EQ(MediaTypeForProfile(profile), kMediaOtherBase + profile);
        EXPECT_EQ(MediaTypeText(MediaTypeForProfile(profile)), std::nullopt);
    }
}

TEST(MediaProfiles, FeaturesFollowTheDrivesProfiles) {
    const std::vector<int> cdWriter = {0x08, 0x09, 0x0a};
    const std::vector<int> dvdWriter = {0x08, 0x09, 0x0a, 0x10, 0x11, 0x12, 0x13, 0x14, 0x1a, 0x1b};
    for (int feature : {kFeatureCdRw, kFeatureDvdRam, kFeatureDvdRw, kFeatureDvdPlusRw}) {
        EXPECT_EQ(ProfilesHaveFeature(cdWriter, feature), feature == kFeatureCdRw) << feature;
        EXPECT_TRUE(ProfilesHaveFeature(dvdWriter, feature)) << feature;
    }
    EXPECT_TRUE(ProfilesHaveFeature({0x14}, kFeatureDvdRw));
    EXPECT_FALSE(ProfilesHaveFeature(dvdWriter, kFeatureBufferProtection));
}

TEST(ExtraDrives, EntriesAreSeparatedBySemicolonsAndTrimmed) {
    const auto drives = ParseExtraDrives(" stdio:/tmp/a.iso ;stdio:/tmp/b c.iso;;  ");
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].address, "stdio:/tmp/a.iso");
    EXPECT_EQ(drives[0].capacityBlocks, 0);
    EXPECT_EQ(drives[1].address, "stdio:/tmp/b c.iso");
}

TEST(ExtraDrives, CapacitySuffixes) {
    const struct {
        const char* entry;
        long long blocks;
    } cases[] = {
        {"stdio:/d.iso#700M", 700LL * 512},
        {"stdio:/d.iso#4K", 2},
        {"stdio:/d.iso#2g", 2LL * 1024 * 512},
        {"stdio:/d.iso#4096", 2},
    };
    for (const auto& c : cases) {
        const auto drives = ParseExtraDrives(c.entry);
        ASSERT_EQ(drives.size(), 1u) << c.entry;
        EXPECT_EQ(drives[0].address, "stdio:/d.iso");
        EXPECT_EQ(drives[0].capacityBlocks, c.blocks) << c.entry;
    }
}

TEST(ExtraDrives, MalformedEntriesAreLeftOut) {
    for (const char* value : {"/dev/sr0", "stdio:", "stdio:/d.iso#", "stdio:/d.iso#12X", "stdio:/d.iso#-5",
                              "stdio:/d.iso#0", "stdio:/d.iso#1K", "stdio:#700M", "cd:/x"})
        EXPECT_TRUE(ParseExtraDrives(value).empty()) << value;
    EXPECT_EQ(ParseExtraDrives("/dev/sr0;stdio:/ok.iso").size(), 1u);
}

using Names = std::vector<std::string>;

TEST(ImagePath, SplitsOnEitherSeparatorAndSkipsEmptyParts) {
    EXPECT_EQ(SplitImagePath("\\"), Names{});
    EXPECT_EQ(SplitImagePath(""), Names{});
    EXPECT_EQ(SplitImagePath("\\Mail\\Inbox.dbx"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("Mail\\Inbox.dbx"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("/Mail//Inbox.dbx/"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("\\Ordner Ü\\a b.txt"), (Names{"Ordner Ü", "a b.txt"}));
}

TEST(ImagePath, NamesCompareWithoutLetterCase) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"Inbox.dbx", "INBOX.DBX", true},
        {"Identität", "IDENTITÄT", true},
        {"Ärger", "ärger", true},
        {"Ωmega", "ωMEGA", true},
        {"Inbox.dbx", "Inbox.db", false},
        {"a", "b", false},
        {"Ä", "A", false},
        {"", "", true},
        {"a\xff", "A\xff", true},
        {"a\xff", "a\xfe", false},
        {"\xc3", "\xc3", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameItemName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(ImagePath, ValidNames) {
    for (const char* ok : {"a", "Inbox.dbx", "Identität", "a b", ".hidden", "..."})
        EXPECT_TRUE(IsValidItemName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "\\"})
        EXPECT_FALSE(IsValidItemName(bad)) << bad;
    EXPECT_FALSE(IsValidItemName(std::string("a\0b", 3)));
}

TEST(BurnErrors, SenseDataInEachWayLibburnWritesIt) {
    const struct {
        const char* text;
        int key, asc, ascq;
    } cases[] = {
        {"SCSI error on write(16976,16): [5 21 02] Invalid address for write", 5, 0x21, 0x02},
        {"SCSI error condition on command 2Ah : key=3h asc=0Ch ascq=09h", 3, 0x0C, 0x09},
        {"Failure. See mmc3r10g.pdf: Sense Key 2 ASC 3A ASCQ 00", 2, 0x3A, 0x00},
    };
    for (const auto& c : cases) {
        int key = -1, asc = -1, ascq = -1;
        ASSERT_TRUE(ParseSense(c.text, key, asc, ascq)) << c.text;
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(asc, c.asc);
        EXPECT_EQ(ascq, c.ascq);
    }
    int key, asc, ascq;
    EXPECT_FALSE(ParseSense("Premature end of input encountered. Missing: 2048 bytes", key, asc, ascq));
}

TEST(BurnErrors, SenseMapsOntoTheDriveErrorTable) {
    const struct {
        int key, asc, ascq, code;
    } cases[] = {
        {2, 0x3A, 0x00, 1033},   {2, 0x04, 0x00, 1002}, {2, 0x04, 0x04, 1055}, {3, 0x0C, 0x09, 1008},
        {3, 0x0C, 0x00, 1005},   {3, 0x11, 0x00, 1009}, {3, 0x11, 0x05, 1012}, {5, 0x21, 0x02, 1021},
        {5, 0x20, 0x00, 1020},   {5, 0x24, 0x00, 1022}, {5, 0x26, 0x02, 1025}, {5, 0x30, 0x05, 1032},
        {3, 0x72, 0x03, 1045},   {3, 0x73, 0x02, 1047}, {6, 0x29, 0x00, 1026}, {0xB, 0x47, 0x00, 1019},
        {0xB, 0x55, 0x00, 1001}, {4, 0x5F, 0x00, 1034}, {3, 0x5F, 0x00, 1051},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveCodeForSense(c.key, c.asc, c.ascq), c.code) << std::hex << c.key << " " << c.asc;
}

TEST(BurnErrors, AFailureWithSenseIsADriveErrorOfKindThree) {
    const std::vector<BurnMessage> messages = {
        {0x0002010f, "DEBUG", "SCSI error condition on command 2Ah : key=3h asc=0Ch ascq=09h", 0},
        {0x0002011d, "FATAL",
         "SCSI error on write(100,16): Failure. See mmc3r10g.pdf: Sense Key 3 ASC 0C ASCQ 09", 0},
        {0x0002010b, "FATAL", "Burn run failed", 0},
    };
    const DriveFailure f = DescribeFailure(messages, "fallback");
    EXPECT_EQ(f.kind, kErrorKindDrive);
    EXPECT_EQ(f.code, 1008);
    EXPECT_EQ(f.sense, "3 0C 09");
    EXPECT_NE(f.text.find("SCSI error on write"), std::string::npos);
}

TEST(BurnErrors, TheCauseIsPreferredToItsConsequences) {
    const std::vector<BurnMessage> messages = {
        {0x00000002, "DEBUG", "Writing Files...", 0},
        {0x0003feb2, "MISHAP", "Image write cancelled", 0},
        {0x00020180, "FAILURE", "Premature end of input encountered. Missing: 2048 bytes", 0},
        {0x00020148, "SORRY", "Cannot write desired amount of data", 28},
    };
    const DriveFailure f = DescribeFailure(messages, "fallback");
    EXPECT_EQ(f.kind, kErrorKindDrive);
    EXPECT_EQ(f.code, 1021); // no space left on the device
    EXPECT_EQ(f.sense, "none");
    EXPECT_NE(f.text.find("errno 28"), std::string::npos);
}

TEST(BurnErrors, WithoutATableEntryTheLibrarysCodeAndTextAreKept) {
    const std::vector<BurnMessage> messages = {
        {0x00020181, "FAILURE", "Pseudo-drive is a read-only file. Cannot write.", 0}};
    const DriveFailure f = DescribeFailure(messages, "fallback");
    EXPECT_EQ(f.kind, kErrorKindLibrary);
    EXPECT_EQ(f.code, 0x00020181);
    EXPECT_EQ(f.text, "Pseudo-drive is a read-only file. Cannot write. [0x00020181]");
}

TEST(BurnErrors, NothingSaidGivesTheFallback) {
    const DriveFailure f =
        DescribeFailure({{0x2, "DEBUG", "chatter", 0}, {0x2, "NOTE", "note", 0}}, "The write failed.");
    EXPECT_EQ(f.kind, kErrorKindLibrary);
    EXPECT_EQ(f.text, "The write failed.");
}

TEST(BurnErrors, AVanishedSourceFileIsFoundWithItsPath) {
    // The sequence libisofs 1.5.4 queues when a file disappears before it is read.
    const std::vector<BurnMessage> messages = {
        {0x00000002, "DEBUG", "Processed 27880 of 29346 KB (95 %)", 0},
        {static_cast<int>(0xe430ff73), "ERRFILE", "/tmp/src/z.txt", 0},
        {0x0003ff73, "MISHAP", "File \"/tmp/src/z.txt\" can't be opened. Filling with 0s.", 0},
        {0x0003ff7c, "NOTE", " > Caused by: The file does not exist in the filesystem", 0},
        {0x0003feb2, "MISHAP", "Image write cancelled", 0},
    };
    const auto f = FindFileFailure(messages);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->code, kFileErrorOpen);
    EXPECT_EQ(f->fileName, "/tmp/src/z.txt");

    const auto quoted =
        FindFileFailure({{0x0003ff73, "MISHAP", "File \"/x/a b.dat\" can't be opened. Filling with 0s.", 0}});
    ASSERT_TRUE(quoted.has_value());
    EXPECT_EQ(quoted->fileName, "/x/a b.dat");

    const auto readError = FindFileFailure({{static_cast<int>(0xe430ff73), "ERRFILE", "/x/y", 0},
                                            {0x0003ff79, "MISHAP", "Read error in file /x/y", 5}});
    ASSERT_TRUE(readError.has_value());
    EXPECT_EQ(readError->code, kFileErrorRead);

    EXPECT_FALSE(FindFileFailure({{0x00020180, "FAILURE", "Premature end of input", 0}}).has_value());
}

// 1008 and 1021 are read in full through DriveErrorMessage below and the write verb's message.
TEST(DriveErrorText, TableCodesGiveTheirTextOthersOnlyTheCode) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {1000, "No additional error data was reported (1000)."},
        {1033, "A disc is not present (1033)."},
        {1036, "The disc could not be erased (1036)."},
        {1051, "Unknown error - use extended data for more information (1051)."},
        {1055, "A format is in progress causing operation failure (1055)."},
        {999, " (999)."},
        {1056, " (1056)."},
        {0, " (0)."},
        {-1008, " (-1008)."},
        {INT32_MIN, " (-2147483648)."},
        {INT32_MAX, " (2147483647)."},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(DriveErrorText(code), expected) << code;
}

TEST(DriveErrorText, EveryCodeOfTheTableHasItsOwnText) {
    std::set<std::string> texts;
    for (std::int32_t code = 1000; code <= 1055; ++code) {
        const std::string text = DriveErrorText(code);
        const std::string suffix = " (" + std::to_string(code) + ").";
        ASSERT_GT(text.size(), suffix.size()) << code;
        EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix);
        EXPECT_NE(text[0], ' ') << code;
        texts.insert(text.substr(0, text.size() - suffix.size()));
    }
    EXPECT_EQ(texts.size(), 56u);
}

TEST(FileErrorText, CodesZeroToTwoAndTheRest) {
    const struct {
        int code;
        const char* expected;
    } cases[] = {
        {0, "Error Opening File: C:\\a b.tsy"},  {1, "Error Closing File: C:\\a b.tsy"},
        {2, "Error Reading file: C:\\a b.tsy"},  {3, "Unknown file error!:C:\\a b.tsy"},
        {-1, "Unknown file error!:C:\\a b.tsy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileErrorText(c.code, "C:\\a b.tsy"), c.expected) << c.code;
    EXPECT_EQ(FileErrorText(0, ""), "Error Opening File: ");
}

TEST(DriveErrorMessage, KindThreeHasThreeLinesOtherKindsOne) {
    const struct {
        int kind, code;
        const char *text, *sense, *expected;
    } cases[] = {
        {3, 1008, "Write failed", "5 0C 09",
         "Writing Error: (3)   Write failed\r\nA buffer under-run has occurred (1008).\r\n Error Sense Data: "
         "5 0C 09"},
        {3, 999, "x", "", "Writing Error: (3)   x\r\n (999).\r\n Error Sense Data: "},
        {0, 1008, "Drive gone", "5 0C 09", "Writing Error: (0)   Drive gone\r\n"},
        {2, 1008, "Drive gone", "5 0C 09", "Writing Error: (2)   Drive gone\r\n"},
        {4, 1008, "Drive gone", "", "Writing Error: (4)   Drive gone\r\n"},
        {-3, 1, "Drive gone", "", "Writing Error: (-3)   Drive gone\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveErrorMessage(c.kind, c.code, c.text, c.sense), c.expected) << c.kind << " " << c.code;
}

} // namespace
} // namespace tessaly

// InfoFileTest.cpp -- KEY=VALUE lines of the info file, the note escape and the item values.
#include "backupfile/InfoFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(InfoFileTest, WritesAnsiLinesAndReadsTheFirstMatchBeforeAnEmptyLine) {
    TempDir dir;
    CodePage cp(1252);
    auto file = dir / "vantrel.dat";
    SaveINI("BackupIdentity", "Caf\xc3\xa9 Team", file, cp);
    SaveINI("BackupInformation", EscapeNote("line a\r\nline b\nline c"), file, cp);
    SaveINI("Equation", "a=b=c", file, cp);
    SaveINI(" Padded ", " value ", file, cp);
    SaveINI("BackupRules", TempItemValue("KVR1A2B.tmp"), file, cp);
    SaveINI("BackupIdentity", "second", file, cp);
    SaveINI("BackupItem", "01000000", file, cp);
    EXPECT_EQ(readFile(file).substr(0, 26), "BackupIdentity=Caf\xe9 Team\r\n");

    EXPECT_EQ(GetINI("backupidentity", file, cp), "Caf\xc3\xa9 Team");
    EXPECT_EQ(UnescapeNote(GetINI("BackupInformation", file, cp)), "line a\r\nline b\r\nline c");
    EXPECT_EQ(GetINI("EQUATION", file, cp), "a=b=c");
    EXPECT_EQ(GetINI(" Padded ", file, cp), " value ");
    EXPECT_EQ(GetINI("Padded", file, cp), "");
    EXPECT_EQ(MemberNameOf(GetINI("BackupRules", file, cp)), "KVR1A2B.tmp");
    EXPECT_EQ(GetINI("BackupRules", file, cp).size(), 12u);
    EXPECT_EQ(GetINI("BACKUPITEM", file, cp), "01000000");
    EXPECT_EQ(GetINI("BackupComputer", file, cp), "");

    // Entries after an empty line are not found; a file that cannot be read or written is an error.
    writeFile(dir / "i.dat", "no equals sign\r\nA=1\r\n\r\nB=2\r\n");
    EXPECT_EQ(GetINI("A", dir / "i.dat", cp), "1");
    EXPECT_EQ(GetINI("B", dir / "i.dat", cp), "");
    EXPECT_THROW(GetINI("A", dir / "missing.dat", cp), InfoFileError);
    EXPECT_THROW(SaveINI("A", "1", dir / "no" / "such" / "folder.dat", cp), InfoFileError);
}

TEST(InfoFileTest, ANoteCanNeverAddLines) {
    EXPECT_EQ(EscapeNote("a\rb\nc\r\nd\n\re"), "aZQ$KMXbZQ$KMXcZQ$KMXdZQ$KMXZQ$KMXe");
    EXPECT_EQ(EscapeNote("plain"), "plain");
    EXPECT_EQ(UnescapeNote("ZQ$KMXxZQ$KMX"), "\r\nx\r\n");
    EXPECT_EQ(MemberNameOf("Inbox.dbx"), "Inbox.dbx");
}

} // namespace
} // namespace tessaly

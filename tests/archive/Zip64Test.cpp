// Zip64Test.cpp -- a member above 4 GiB and an archive above 4 GiB, checked by Info-ZIP. Slow and
// disk-hungry (about 9 GiB free needed): skipped unless TESSALY_ZIP64_TEST=1.
#include "ArchiveKit.h"
#include "TempDir.h"
#include "archive/CGUnzipFiles.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/resource.h>

#include <zip.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr std::uint64_t kGiB = 1ull << 30;

bool optedIn() {
    const char* opt = std::getenv("TESSALY_ZIP64_TEST");
    return opt && std::string(opt) == "1";
}

std::uint64_t storedSize(const fs::path& archive, const std::string& name) {
    int code = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &code);
    zip_stat_t st;
    std::uint64_t size = (za && zip_stat(za, name.c_str(), 0, &st) == 0) ? st.size : 0;
    if (za)
        zip_discard(za);
    return size;
}

long peakMemoryKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// One session: a sparse member above 4 GiB, then incompressible stores that take the archive past 4 GiB.
TEST(Zip64, MemberAndArchiveAboveFourGiB) {
    if (!optedIn())
        GTEST_SKIP() << "set TESSALY_ZIP64_TEST=1 to run the zip64 tests";
    TempDir dir;
    auto archive = (dir / "backup.zip").string();
    ZipSession session(archive);
    auto big = dir / "Huge.dbx";
    const std::uint64_t size = 4 * kGiB + 12345;
    { std::ofstream(big) << "start"; }
    fs::resize_file(big, size); // zeros after the first bytes, sparse on disk
    ASSERT_TRUE(ZipOneFile(archive, big.string()));
    fs::remove(big);
    const std::uint64_t fileSize = 480ull << 20;
    for (int i = 0; i < 9; ++i) {
        auto file = dir / ("store" + std::to_string(i) + ".dbx");
        std::ofstream out(file, std::ios::binary);
        for (std::uint64_t done = 0; done < fileSize; done += 1 << 20)
            out << test::noise(1 << 20, std::uint32_t(i * 10000 + done / (1 << 20)));
        out.close();
        ASSERT_TRUE(ZipOneFile(archive, file.string()));
        fs::remove(file);
    }
    test::writeFile(dir / "vantrel.dat", "BackupItem=00010000\r\n");
    ASSERT_TRUE(ZipOneFile(archive, (dir / "vantrel.dat").string()));
    session.finish();
    EXPECT_GT(fs::file_size(archive), 4 * kGiB);
    EXPECT_EQ(storedSize(archive, "Huge.dbx"), size);
    EXPECT_EQ(test::infoZipTest(archive), 0);
    CGUnzipFiles check;
    check.setTestZip(true);
    EXPECT_EQ(check.Unzip(archive, (dir / "out").string()), 0) << check.GetLastMessage();
    UnzipToFolder(archive, (dir / "out").string(), ZipNameList{"vantrel.dat", "store8.dbx"});
    EXPECT_EQ(test::readFile(dir / "out/vantrel.dat"), "BackupItem=00010000\r\n");
    EXPECT_EQ(fs::file_size(dir / "out/store8.dbx"), fileSize);
    EXPECT_LT(peakMemoryKiB(), 64 * 1024);
}

} // namespace
} // namespace tessaly

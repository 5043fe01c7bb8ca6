// ScrambledOutputTest.cpp -- a compatible backup file scrambled while libzip writes its archive.
#include "backupfile/ScrambledOutput.h"
#include "archive/ZipSession.h"
#include "backupfile/Scrambler.h"

#include "RecordingUi.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

// libzip goes back over each member's header as it writes: the result is still byte for byte the
// archive written plain and scrambled afterwards, and nothing lies at the session's archive path. A
// session that ends without finish() leaves no file.
TEST(ScrambledOutput, EqualsTheArchiveScrambledAfterwards) {
    TempDir dir;
    CodePage cp(1252);
    test::RecordingUi ui;
    std::string text;
    while (text.size() < 3 * (1u << 20) + 77)
        text += "Subject: invoice " + std::to_string(text.size() % 9973) + " regards\r\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Inbox.dbx", text}, {"empty.dbx", ""}, {"vantrel.dat", "BackupItem=11111111\r\n"}};
    for (const auto& [name, data] : files)
        writeFile(dir / name, data);
    auto addAll = [&](ZipSession& session) {
        for (const auto& [name, data] : files)
            session.add(dir / name, name, false, false);
    };

    ZipSession plain((dir / "plain.zip").string(), nullptr, 1);
    addAll(plain);
    plain.finish();
    scrambleInto(dir / "plain.zip", dir / "afterwards.tsy", "p\xe4ss", cp, ui);

    ZipSession direct((dir / "work.zip").string(),
                      std::make_unique<ScrambledOutput>(dir / "direct.tsy", "p\xe4ss", cp));
    addAll(direct);
    direct.finish();
    EXPECT_TRUE(readFile(dir / "direct.tsy") == readFile(dir / "afterwards.tsy"));
    EXPECT_FALSE(fs::exists(dir / "work.zip"));

    {
        ZipSession dropped((dir / "dropped.zip").string(),
                           std::make_unique<ScrambledOutput>(dir / "dropped.tsy", "p\xe4ss", cp));
        addAll(dropped);
    }
    EXPECT_FALSE(fs::exists(dir / "dropped.tsy"));
}

} // namespace
} // namespace tessaly

// ProgressBarTest.cpp -- the bar of a backup through the window: one byte scale that only rises, keeps
// moving and ends full, with a heading and a file line that name the same thing.
#include "AppTestKit.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <fstream>

namespace tessaly::test {
namespace {

// A message store of `bytes` bytes of varied text, so that compressing it takes real work.
void writeLargeStore(const std::filesystem::path& file, std::uint64_t bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    static const char* words[] = {"subject", "meeting",  "invoice", "hello",  "regards",  "tomorrow",
                                  "report",  "attached", "project", "thanks", "question", "budget"};
    std::uint32_t x = 12345;
    std::string line;
    for (std::uint64_t written = 0; written < bytes; written += line.size()) {
        line.clear();
        for (int w = 0; w < 12; ++w) {
            x = x * 1664525u + 1013904223u;
            line += words[(x >> 24) % 12];
            line += ' ';
            line += std::to_string(x % 100000);
            line += ' ';
        }
        line += "\r\n";
        out << line;
    }
}

TEST_F(AppFixture, TheBarOfALargeBackupRisesSteadilyToFull) {
    copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
    writeLargeStore(prefix / storeFolder(kMainIdentity) / "Inbox.dbx", 200u << 20);
    start();
    const std::filesystem::path target = dir / "big.tsy";
    chooseTarget(target);
    trigger("Selectallitems");

    struct Sample {
        int value;
        qint64 at;
    };
    std::vector<Sample> samples;
    std::vector<std::string> mismatches;
    QElapsedTimer clock;
    clock.start();
    auto* panel = find<QWidget>("picCon3");
    auto* heading = find<QLabel>("Label1");
    auto* fileLine = find<QLabel>("lblProgressFile");
    QObject::connect(find<QProgressBar>("pbshow"), &QProgressBar::valueChanged, [&](int value) {
        if (panel->isVisible())
            samples.push_back({value, clock.elapsed()});
    });
    // The heading and the file line name the same thing whenever the window gets to look.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::string h = heading->text().toStdString(), f = fileLine->text().toStdString();
        if (f.empty())
            return;
        const bool writing = h == "Writing the backup file...", messages = h == "Copying Messages...";
        const bool store = f.find(".dbx") != std::string::npos, file = f.starts_with("big.tsy");
        if (writing != file || (store && !messages))
            mismatches.push_back(h + " / " + f);
    });
    watch.start(10);
    answerBackupReport();
    click("cmdApply");
    watch.stop();

    ASSERT_EQ(dialogs.boxes.size() >= 1 ? dialogs.boxes[0].text.substr(0, 25) : "",
              "The Backup was Completed!");
    ASSERT_GE(samples.size(), 20u);
    EXPECT_EQ(samples.back().value, 100);
    for (size_t i = 1; i < samples.size(); ++i) {
        EXPECT_GT(samples[i].value, samples[i - 1].value) << "sample " << i;
        EXPECT_LE(samples[i].value - samples[i - 1].value, 10) << "sample " << i;
        EXPECT_LE(samples[i].at - samples[i - 1].at, 1000)
            << "the bar stood at " << samples[i - 1].value << " % for more than a second";
    }
    EXPECT_EQ(mismatches, std::vector<std::string>{});
}

} // namespace
} // namespace tessaly::test

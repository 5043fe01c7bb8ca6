// mail_export_bench.cpp -- exports generated message stores of `megabytes` MB (four folders, messages of
// 1 KB to 400 KB) as mbox and as eml files: MB/s of store data, the largest message, and the peak of the
// process's own (anonymous) memory, which must stay near the largest message whatever the store size.
// Usage: mail_export_bench [megabytes=200] [repeats=3]
#include "DbxBuilder.h"
#include "MailText.h"

#include "mailstore/MailCollection.h"
#include "mailstore/MessageExport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Resident anonymous memory of this process in KiB (heap and stacks, not the mapped stores).
long anonKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0)
            return std::atol(line.c_str() + 8);
    return -1;
}

// Samples the anonymous memory at every progress report.
struct SamplingUi : tessaly::Ui {
    long peak = 0;
    SamplingUi() { setProgressStepBytes(4 << 20); }
    tessaly::MsgResult messageBox(const std::string&, const std::string&, tessaly::MsgIcon,
                                  tessaly::MsgButtons) override {
        return tessaly::MsgResult::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> askPassword() override { return {}; }
    void showProgress(bool) override {}
    void setProgress(int) override {}
    void setStatusText(const std::string&) override {}
    void pumpEvents() override {}

protected:
    void showBytes(const std::string&, std::uint64_t, std::uint64_t, double) override {
        peak = std::max(peak, anonKiB());
    }
};

} // namespace

int main(int argc, char** argv) {
    std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mail-export-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    fs::path base = pattern;
    fs::path stores = base / "stores";
    fs::create_directories(stores);

    bench::MailText text(7);
    std::size_t largest = 0;
    std::uint64_t storeBytes = 0;
    std::size_t messageCount = 0;
    const std::size_t perFolder = megabytes * 1024 * 1024 / 4;
    for (int folder = 0; folder < 4; ++folder) {
        std::vector<tessaly::test::BuiltMessage> messages;
        std::size_t bytes = 0;
        std::string body;
        for (std::uint64_t i = 0; bytes < perFolder; ++i) {
            std::size_t size = 1024 + (i * 2654435761u) % (400 * 1024);
            text.fill(body, size);
            tessaly::test::BuiltMessage m;
            m.subject = "Message " + std::to_string(i);
            m.senderAddress = "sender" + std::to_string(i % 50) + "@example.com";
            m.time = 132837579590000000ULL + i * 600000000ULL;
            m.text = "From: " + m.senderAddress + "\r\nSubject: " + m.subject + "\r\n\r\nFrom the start\r\n" +
                     body;
            largest = std::max(largest, m.text.size());
            bytes += m.text.size();
            messages.push_back(std::move(m));
        }
        messageCount += messages.size();
        std::string built = tessaly::test::buildMessageStore(messages).bytes;
        storeBytes += built.size();
        std::ofstream(stores / ("Folder" + std::to_string(folder) + ".dbx"), std::ios::binary) << built;
    }
    std::printf("stores: %.1f MB in 4 files, %zu messages, largest message %.1f KB\n",
                double(storeBytes) / 1e6, messageCount, double(largest) / 1024);

    for (auto format : {tessaly::ExportFormat::Mbox, tessaly::ExportFormat::Eml}) {
        std::vector<double> times;
        long peak = 0;
        long baseline = anonKiB();
        for (int r = 0; r < repeats; ++r) {
            fs::path out = base / "out";
            fs::remove_all(out);
            std::vector<tessaly::StoreImage> images;
            for (const auto& e : fs::directory_iterator(stores))
                images.push_back(tessaly::StoreImage::mapFile(e.path()));
            auto start = Clock::now();
            tessaly::MailCollection mail(std::move(images));
            SamplingUi ui;
            tessaly::ExportSummary s = tessaly::exportMessages(mail, out, format, std::nullopt, ui);
            times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            peak = std::max(peak, ui.peak);
            if (s.messages != messageCount) {
                std::fprintf(stderr, "exported %zu of %zu messages\n", s.messages, messageCount);
                return 1;
            }
        }
        std::sort(times.begin(), times.end());
        std::printf("%-4s export: min %.2f s (%.0f MB/s), median %.2f s (%.0f MB/s), peak anonymous memory "
                    "%ld KB (%ld KB before)\n",
                    format == tessaly::ExportFormat::Mbox ? "mbox" : "eml", times.front(),
                    double(storeBytes) / 1e6 / times.front(), times[times.size() / 2],
                    double(storeBytes) / 1e6 / times[times.size() / 2], peak, baseline);
    }
    fs::remove_all(base);
    return 0;
}

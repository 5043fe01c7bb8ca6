// DiscTestKit.cpp -- event recorder, xorriso helpers and generated files for the disc tests.
#include "DiscTestKit.h"

#include "RunProgram.h"
#include "TempDir.h"

#include <algorithm>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace tessaly::test {

namespace {

const std::vector<std::string> kTerminal = {"DriveError", "WriteCancelled", "EraseDone", "VerifyDone"};

std::string nameOf(const std::string& line) {
    return line.substr(0, line.find('|'));
}

std::string joined(const std::vector<std::string>& drives) {
    std::string value;
    for (const std::string& d : drives)
        value += (value.empty() ? "" : ";") + d;
    return value;
}

} // namespace

std::vector<std::string> EventRecorder::named(const std::string& name) const {
    std::vector<std::string> out;
    for (const std::string& e : events)
        if (nameOf(e) == name)
            out.push_back(e);
    return out;
}

std::vector<std::string> EventRecorder::names() const {
    std::vector<std::string> out;
    for (const std::string& e : events)
        out.push_back(nameOf(e));
    return out;
}

bool EventRecorder::jobEnded() const {
    for (const std::string& e : events)
        if (std::find(kTerminal.begin(), kTerminal.end(), nameOf(e)) != kTerminal.end())
            return true;
    return false;
}

DiscRig::DiscRig(const std::vector<std::string>& drives) : env(joined(drives)) {
    writer = std::make_unique<BurnDiscWriter>(queue.poster());
    writer->addListener(&recorder);
    writer->InitDrives(true);
    if (!drives.empty())
        writer->SelectDrive(0);
}

DiscRig::~DiscRig() {
    writer->removeListener(&recorder);
    writer.reset();
}

bool DiscRig::waitFor(const std::function<bool()>& done, std::chrono::seconds timeout) {
    return queue.runUntil(done, timeout);
}

bool DiscRig::waitForJob(std::chrono::seconds timeout) {
    const bool verifying = writer->AutoVerify();
    return queue.runUntil(
        [&] {
            if (recorder.jobEnded())
                return true;
            return !verifying && recorder.has("WriteDone");
        },
        timeout);
}

std::map<std::string, IsoEntry> xorrisoList(const fs::path& image) {
    const RunResult r = runProgram({TESSALY_XORRISO, "-local_charset", "UTF-8", "-indev", image.string(),
                                    "-find", "/", "-exec", "lsdl", "--"});
    std::map<std::string, IsoEntry> entries;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        // -rw-r--r--    1 0        0          300000 Dec  6 07:11 '/a.bin'
        const auto quote = line.find('\'');
        if (quote == std::string::npos || line.size() < 2 || (line[0] != '-' && line[0] != 'd'))
            continue;
        IsoEntry entry;
        entry.folder = line[0] == 'd';
        entry.path = line.substr(quote + 1, line.rfind('\'') - quote - 1);
        std::istringstream fields(line.substr(0, quote));
        std::string mode, links, uid, gid;
        fields >> mode >> links >> uid >> gid >> entry.size;
        entries[entry.path] = entry;
    }
    return entries;
}

int xorrisoSessionCount(const fs::path& image) {
    const RunResult r = runProgram({TESSALY_XORRISO, "-indev", image.string(), "-toc"});
    int sessions = 0;
    std::istringstream lines(r.out + r.err);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("ISO session", 0) == 0)
            ++sessions;
    return sessions;
}

bool xorrisoExtract(const fs::path& image, const fs::path& target) {
    const RunResult r = runProgram({TESSALY_XORRISO, "-local_charset", "UTF-8", "-osirrox", "on", "-indev",
                                    image.string(), "-extract", "/", target.string()});
    return r.exitCode == 0;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = line.find('|', start);
        fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

void writePatternFile(const fs::path& path, std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    writeFile(path, bytes);
}

} // namespace tessaly::test

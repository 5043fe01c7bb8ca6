// DiscTestKit.cpp -- event recorder, xorriso helpers and generated files for the disc tests.
#include "DiscTestKit.h"

#include "RunProgram.h"
#include "TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace tessaly::test {

namespace {

std::string yesNo(bool b) {
    return b ? "1" : "0";
}

const std::vector<std::string> kTerminal = {"DriveError", "WriteCancelled", "EraseDone", "VerifyDone"};

std::string nameOf(const std::string& line) {
    return line.substr(0, line.find('|'));
}

} // namespace

void EventRecorder::record(const std::string& line) {
    events.push_back(line);
    if (onEvent)
        onEvent(line);
}

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

void EventRecorder::ItemAdded(const std::string& parentPath, const std::string& path, const std::string& name,
                              const std::string& source, bool isFolder) {
    record("ItemAdded|" + parentPath + "|" + path + "|" + name + "|" + source + "|" + yesNo(isFolder));
}
void EventRecorder::ItemListed(const std::string& parentPath, const std::string& path,
                               const std::string& name, const std::string& source, bool isFolder,
                               std::time_t modified, long long size) {
    record("ItemListed|" + parentPath + "|" + path + "|" + name + "|" + source + "|" + yesNo(isFolder) + "|" +
           std::to_string(modified) + "|" + std::to_string(size));
}
void EventRecorder::FolderRemoved(const std::string& path, const std::string& text, bool ok) {
    record("FolderRemoved|" + path + "|" + text + "|" + yesNo(ok));
}
void EventRecorder::FolderRenamed(const std::string& oldPath, const std::string& newPath, bool ok) {
    record("FolderRenamed|" + oldPath + "|" + newPath + "|" + yesNo(ok));
}
void EventRecorder::ImageCleared() {
    record("ImageCleared");
}
void EventRecorder::ReplaceImported(const std::string& importedFile, const std::string& newFile,
                                    const std::string& /*text*/, bool& replace) {
    replace = replaceAnswer;
    record("ReplaceImported|" + importedFile + "|" + newFile);
}
void EventRecorder::WritePreparing() {
    record("WritePreparing");
}
void EventRecorder::CreatingFolders() {
    record("CreatingFolders");
}
void EventRecorder::CachingProgress(int percent) {
    record("CachingProgress|" + std::to_string(percent));
}
void EventRecorder::WriteProgress(int track, long long done, long long total) {
    record("WriteProgress|" + std::to_string(track) + "|" + std::to_string(done) + "|" +
           std::to_string(total));
}
void EventRecorder::ClosingTrack() {
    record("ClosingTrack");
}
void EventRecorder::ClosingSession() {
    record("ClosingSession");
}
void EventRecorder::ClosingDisc() {
    record("ClosingDisc");
}
void EventRecorder::ReadProgress(const std::string& text, long long count, int track) {
    record("ReadProgress|" + text + "|" + std::to_string(count) + "|" + std::to_string(track));
}
void EventRecorder::WriteDone() {
    record("WriteDone");
}
void EventRecorder::WriteCancelled() {
    record("WriteCancelled");
}
void EventRecorder::EraseStarted() {
    record("EraseStarted");
}
void EventRecorder::EraseDone() {
    record("EraseDone");
}
void EventRecorder::VerifyStarted(int files) {
    record("VerifyStarted|" + std::to_string(files));
}
void EventRecorder::VerifyFile(const std::string& discFile, const std::string& sourceFile, int result,
                               int index, int total) {
    record("VerifyFile|" + discFile + "|" + sourceFile + "|" + std::to_string(result) + "|" +
           std::to_string(index) + "|" + std::to_string(total));
}
void EventRecorder::VerifyDone(int files, int matched) {
    record("VerifyDone|" + std::to_string(files) + "|" + std::to_string(matched));
}
void EventRecorder::DriveError(int kind, int code, const std::string& text, const std::string& senseData) {
    record("DriveError|" + std::to_string(kind) + "|" + std::to_string(code) + "|" + text + "|" + senseData);
}
void EventRecorder::FileError(int code, const std::string& fileName) {
    record("FileError|" + std::to_string(code) + "|" + fileName);
}

bool EventRecorder::jobEnded() const {
    for (const std::string& e : events)
        if (std::find(kTerminal.begin(), kTerminal.end(), nameOf(e)) != kTerminal.end())
            return true;
    return false;
}

DiscRig::DiscRig(const std::vector<std::string>& drives) {
    std::string value;
    for (const std::string& d : drives)
        value += (value.empty() ? "" : ";") + d;
    ::setenv("TESSALY_EXTRA_DRIVES", value.c_str(), 1);
    writer = std::make_unique<BurnDiscWriter>(queue.poster());
    writer->addListener(&recorder);
    writer->InitDrives(true);
    if (!drives.empty())
        writer->SelectDrive(0);
}

DiscRig::~DiscRig() {
    writer->removeListener(&recorder);
    writer.reset();
    ::unsetenv("TESSALY_EXTRA_DRIVES");
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

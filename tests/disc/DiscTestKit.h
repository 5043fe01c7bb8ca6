// DiscTestKit.h -- helpers of the disc tests: an event recorder, xorriso, generated files.
#pragma once

#include "disc/BurnDiscWriter.h"
#include "disc/EventQueue.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// Records every event as one line: the name, then the arguments separated by "|" (booleans as 1 or 0).
class EventRecorder : public DiscEvents {
public:
    std::vector<std::string> events;
    // Called after an event is recorded (on the thread that delivered it).
    std::function<void(const std::string&)> onEvent;
    // The answer given to ReplaceImported.
    bool replaceAnswer = false;

    std::vector<std::string> named(const std::string& name) const;
    std::vector<std::string> names() const;
    bool has(const std::string& name) const { return !named(name).empty(); }
    bool jobEnded() const;

    void ItemAdded(const std::string& parent, const std::string& path, const std::string& name,
                   const std::string& source, bool isFolder) override {
        add("ItemAdded", parent, path, name, source, isFolder);
    }
    void ItemListed(const std::string& parent, const std::string& path, const std::string& name,
                    const std::string& source, bool isFolder, std::time_t modified, long long size) override {
        add("ItemListed", parent, path, name, source, isFolder, modified, size);
    }
    void FolderRemoved(const std::string& path, const std::string& text, bool ok) override {
        add("FolderRemoved", path, text, ok);
    }
    void FolderRenamed(const std::string& from, const std::string& to, bool ok) override {
        add("FolderRenamed", from, to, ok);
    }
    void ImageCleared() override { add("ImageCleared"); }
    void ReplaceImported(const std::string& imported, const std::string& newFile, const std::string&,
                         bool& replace) override {
        replace = replaceAnswer;
        add("ReplaceImported", imported, newFile);
    }
    void WritePreparing() override { add("WritePreparing"); }
    void CreatingFolders() override { add("CreatingFolders"); }
    void CachingProgress(int percent) override { add("CachingProgress", percent); }
    void WriteProgress(int track, long long done, long long total) override {
        add("WriteProgress", track, done, total);
    }
    void ClosingTrack() override { add("ClosingTrack"); }
    void ClosingSession() override { add("ClosingSession"); }
    void ClosingDisc() override { add("ClosingDisc"); }
    void ReadProgress(const std::string& text, long long count, int track) override {
        add("ReadProgress", text, count, track);
    }
    void WriteDone() override { add("WriteDone"); }
    void WriteCancelled() override { add("WriteCancelled"); }
    void EraseStarted() override { add("EraseStarted"); }
    void EraseDone() override { add("EraseDone"); }
    void VerifyStarted(int files) override { add("VerifyStarted", files); }
    void VerifyFile(const std::string& discFile, const std::string& sourceFile, int result, int index,
                    int total) override {
        add("VerifyFile", discFile, sourceFile, result, index, total);
    }
    void VerifyDone(int files, int matched) override { add("VerifyDone", files, matched); }
    void DriveError(int kind, int code, const std::string& text, const std::string& sense) override {
        add("DriveError", kind, code, text, sense);
    }
    void FileError(int code, const std::string& fileName) override { add("FileError", code, fileName); }

private:
    static std::string field(const std::string& s) { return s; }
    static std::string field(bool b) { return b ? "1" : "0"; }
    template <class N> static std::string field(N n) { return std::to_string(n); }
    template <class... A> void add(const std::string& name, const A&... args) {
        std::string line = name;
        ((line += "|" + field(args)), ...);
        events.push_back(line);
        if (onEvent)
            onEvent(line);
    }
};

// Sets TESSALY_EXTRA_DRIVES for as long as it lives.
class ExtraDrives {
public:
    explicit ExtraDrives(const std::string& value) { ::setenv("TESSALY_EXTRA_DRIVES", value.c_str(), 1); }
    ~ExtraDrives() { ::unsetenv("TESSALY_EXTRA_DRIVES"); }
};

// A control whose events are recorded, with pseudo-drives set up through TESSALY_EXTRA_DRIVES.
struct DiscRig {
    ExtraDrives env;
    EventQueue queue;
    EventRecorder recorder;
    std::unique_ptr<BurnDiscWriter> writer;

    // drives: "stdio:" addresses (capacity suffixes allowed); the first one is selected.
    explicit DiscRig(const std::vector<std::string>& drives);
    ~DiscRig();
    // Runs posted events until the running job has ended; false on timeout.
    bool waitForJob(std::chrono::seconds timeout = std::chrono::seconds(60));
    bool waitFor(const std::function<bool()>& done, std::chrono::seconds timeout = std::chrono::seconds(60));
};

struct IsoEntry {
    std::string path; // "/Mail/Inbox.dbx" as xorriso shows it
    bool folder = false;
    long long size = 0;
};

// The tree of the image's last session, as xorriso reads it.
std::map<std::string, IsoEntry> xorrisoList(const std::filesystem::path& image);
// The number of sessions xorriso's table of contents shows.
int xorrisoSessionCount(const std::filesystem::path& image);
// Extracts the last session into `target` (which must not exist yet); true on success.
bool xorrisoExtract(const std::filesystem::path& image, const std::filesystem::path& target);

// The fields of a recorded event line.
std::vector<std::string> fieldsOf(const std::string& line);

// A file of `size` bytes whose content follows from the seed.
void writePatternFile(const std::filesystem::path& path, std::size_t size, unsigned seed);

} // namespace tessaly::test

// DiscTestKit.h -- helpers of the disc tests: an event recorder, xorriso, generated files.
#pragma once

#include "disc/BurnDiscWriter.h"
#include "disc/EventQueue.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// Turns every event into one line (the name, then the arguments separated by "|") and a replay that
// delivers the same event to another listener while tapped() runs.
class EventTap : public DiscEvents {
public:
    using Replay = std::function<void(DiscEvents&)>;

    void ItemAdded(const std::string& parent, const std::string& path, const std::string& name,
                   const std::string& source, bool isFolder) override {
        tapped("ItemAdded|" + parent + "|" + path + "|" + name + "|" + source + "|" + yesNo(isFolder),
               [&](DiscEvents& e) { e.ItemAdded(parent, path, name, source, isFolder); });
    }
    void ItemListed(const std::string& parent, const std::string& path, const std::string& name,
                    const std::string& source, bool isFolder, std::time_t modified, long long size) override {
        tapped("ItemListed|" + parent + "|" + path + "|" + name + "|" + source + "|" + yesNo(isFolder) + "|" +
                   std::to_string(modified) + "|" + std::to_string(size),
               [&](DiscEvents& e) { e.ItemListed(parent, path, name, source, isFolder, modified, size); });
    }
    void FolderRemoved(const std::string& path, const std::string& text, bool ok) override {
        tapped("FolderRemoved|" + path + "|" + text + "|" + yesNo(ok),
               [&](DiscEvents& e) { e.FolderRemoved(path, text, ok); });
    }
    void FolderRenamed(const std::string& oldPath, const std::string& newPath, bool ok) override {
        tapped("FolderRenamed|" + oldPath + "|" + newPath + "|" + yesNo(ok),
               [&](DiscEvents& e) { e.FolderRenamed(oldPath, newPath, ok); });
    }
    void ImageCleared() override {
        tapped("ImageCleared", [](DiscEvents& e) { e.ImageCleared(); });
    }
    void ReplaceImported(const std::string& imported, const std::string& newFile, const std::string& text,
                         bool& replace) override {
        tapped("ReplaceImported|" + imported + "|" + newFile,
               [&](DiscEvents& e) { e.ReplaceImported(imported, newFile, text, replace); });
    }
    void WritePreparing() override {
        tapped("WritePreparing", [](DiscEvents& e) { e.WritePreparing(); });
    }
    void CreatingFolders() override {
        tapped("CreatingFolders", [](DiscEvents& e) { e.CreatingFolders(); });
    }
    void CachingProgress(int percent) override {
        tapped("CachingProgress|" + std::to_string(percent),
               [&](DiscEvents& e) { e.CachingProgress(percent); });
    }
    void WriteProgress(int track, long long done, long long total) override {
        tapped("WriteProgress|" + std::to_string(track) + "|" + std::to_string(done) + "|" +
                   std::to_string(total),
               [&](DiscEvents& e) { e.WriteProgress(track, done, total); });
    }
    void ClosingTrack() override {
        tapped("ClosingTrack", [](DiscEvents& e) { e.ClosingTrack(); });
    }
    void ClosingSession() override {
        tapped("ClosingSession", [](DiscEvents& e) { e.ClosingSession(); });
    }
    void ClosingDisc() override {
        tapped("ClosingDisc", [](DiscEvents& e) { e.ClosingDisc(); });
    }
    void ReadProgress(const std::string& text, long long count, int track) override {
        tapped("ReadProgress|" + text + "|" + std::to_string(count) + "|" + std::to_string(track),
               [&](DiscEvents& e) { e.ReadProgress(text, count, track); });
    }
    void WriteDone() override {
        tapped("WriteDone", [](DiscEvents& e) { e.WriteDone(); });
    }
    void WriteCancelled() override {
        tapped("WriteCancelled", [](DiscEvents& e) { e.WriteCancelled(); });
    }
    void EraseStarted() override {
        tapped("EraseStarted", [](DiscEvents& e) { e.EraseStarted(); });
    }
    void EraseDone() override {
        tapped("EraseDone", [](DiscEvents& e) { e.EraseDone(); });
    }
    void VerifyStarted(int files) override {
        tapped("VerifyStarted|" + std::to_string(files), [&](DiscEvents& e) { e.VerifyStarted(files); });
    }
    void VerifyFile(const std::string& discFile, const std::string& sourceFile, int result, int index,
                    int total) override {
        tapped("VerifyFile|" + discFile + "|" + sourceFile + "|" + std::to_string(result) + "|" +
                   std::to_string(index) + "|" + std::to_string(total),
               [&](DiscEvents& e) { e.VerifyFile(discFile, sourceFile, result, index, total); });
    }
    void VerifyDone(int files, int matched) override {
        tapped("VerifyDone|" + std::to_string(files) + "|" + std::to_string(matched),
               [&](DiscEvents& e) { e.VerifyDone(files, matched); });
    }
    void DriveError(int kind, int code, const std::string& text, const std::string& sense) override {
        tapped("DriveError|" + std::to_string(kind) + "|" + std::to_string(code) + "|" + text + "|" + sense,
               [&](DiscEvents& e) { e.DriveError(kind, code, text, sense); });
    }
    void FileError(int code, const std::string& fileName) override {
        tapped("FileError|" + std::to_string(code) + "|" + fileName,
               [&](DiscEvents& e) { e.FileError(code, fileName); });
    }

protected:
    virtual void tapped(const std::string& line, const Replay& replay) = 0;

private:
    static std::string yesNo(bool b) { return b ? "1" : "0"; }
};

// Records every event as its line.
class EventRecorder : public EventTap {
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

    void ReplaceImported(const std::string& imported, const std::string& newFile, const std::string& text,
                         bool& replace) override {
        replace = replaceAnswer;
        EventTap::ReplaceImported(imported, newFile, text, replace);
    }

protected:
    void tapped(const std::string& line, const Replay&) override;
};

// A control whose events are recorded, with pseudo-drives set up through TESSALY_EXTRA_DRIVES.
struct DiscRig {
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

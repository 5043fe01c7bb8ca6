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

// Records every event as one line: the name, then the arguments separated by "|".
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

    void ItemAdded(const std::string& parentPath, const std::string& path, const std::string& name,
                   const std::string& source, bool isFolder) override;
    void ItemListed(const std::string& parentPath, const std::string& path, const std::string& name,
                    const std::string& source, bool isFolder, std::time_t modified, long long size) override;
    void FolderRemoved(const std::string& path, const std::string& text, bool ok) override;
    void FolderRenamed(const std::string& oldPath, const std::string& newPath, bool ok) override;
    void ImageCleared() override;
    void ReplaceImported(const std::string& importedFile, const std::string& newFile, const std::string& text,
                         bool& replace) override;
    void WritePreparing() override;
    void CreatingFolders() override;
    void CachingProgress(int percent) override;
    void WriteProgress(int track, long long done, long long total) override;
    void ClosingTrack() override;
    void ClosingSession() override;
    void ClosingDisc() override;
    void ReadProgress(const std::string& text, long long count, int track) override;
    void WriteDone() override;
    void WriteCancelled() override;
    void EraseStarted() override;
    void EraseDone() override;
    void VerifyStarted(int files) override;
    void VerifyFile(const std::string& discFile, const std::string& sourceFile, int result, int index,
                    int total) override;
    void VerifyDone(int files, int matched) override;
    void DriveError(int kind, int code, const std::string& text, const std::string& senseData) override;
    void FileError(int code, const std::string& fileName) override;

private:
    void record(const std::string& line);
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

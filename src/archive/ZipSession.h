// ZipSession.h -- an archive kept open while a backup adds its files one at a time, and written
// once when the backup is done, so that adding N files costs the bytes of the files, not N rewrites.
#pragma once

#include "archive/ArchiveInput.h"
#include "archive/ArchiveOutput.h"
#include "archive/SpoolSource.h"
#include "archive/WorkerPool.h"
#include "platform/TempFiles.h"
#include "platform/Ui.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct zip;

namespace tessaly {

// The file a member was added from, as it was when it was read: what the next backup compares.
struct MemberSource {
    std::string name;       // the entry name
    std::uint64_t size = 0; // bytes
    std::int64_t mtime = 0; // modification time, nanoseconds since 1970 (UTC)
    // CRC-32 of the member's compressed bytes as the archive holds them: a member copied into a later
    // archive is checked by it instead of being inflated again.
    std::uint32_t compressedCrc = 0;
    bool operator==(const MemberSource&) const = default;
    bool sameFileAs(const MemberSource& o) const {
        return name == o.name && size == o.size && mtime == o.mtime;
    }
};

// What an earlier backup recorded of the file of this entry, when it recorded the same size and
// modification time; nullopt otherwise.
using RecordedUnchanged = std::function<std::optional<MemberSource>(const MemberSource&)>;

// While a session is open, every ZipOneFile (and VBZip) naming its archive adds to it: the file is
// compressed into a private spool folder before the call returns, so the caller may delete it at
// once, and finish() copies the compressed bytes into the archive. Memory does not grow with the
// size of the files. The archive on disk is unchanged until finish() succeeds.
// The session is used from one thread, like the rest of the archive layer; only the compression of
// each file's blocks runs on worker threads, and add() returns when its file is completely spooled,
// so a failure always reaches the caller that added the file.
class ZipSession {
public:
    // Opens the archive (creating it when missing or empty; keeping the entries of an existing one).
    // Throws ArchiveError kErrZipEngine when it cannot be opened, is not a zip archive, or another
    // session already holds it. The Ui, when given, gets pumpEvents() while files are compressed.
    // threads: compression threads, 0 for one per usable core; 1 compresses on the calling thread.
    // The archive holds the same bytes whatever the number.
    explicit ZipSession(const std::string& archivePath, Ui* ui = nullptr, unsigned threads = 0);
    // A new archive known by archivePath (ZipOneFile finds the session by it) but written into `output`
    // by finish(); nothing is written at archivePath.
    ZipSession(const std::string& archivePath, std::unique_ptr<ArchiveOutput> output, Ui* ui = nullptr);
    // Without a successful finish() every change is dropped and the archive stays as it was.
    ~ZipSession();
    ZipSession(const ZipSession&) = delete;
    ZipSession& operator=(const ZipSession&) = delete;

    // Writes the complete archive (through a temporary file renamed over it) and ends the session,
    // whatever the outcome. Throws ArchiveError kErrZipEngine with libzip's code on failure, or what an
    // ArchiveOutput threw, or RunStopped when the Ui asked to stop.
    void finish();

    // The name the reports of finish() carry: they count the bytes of all members on one scale.
    void setCopyLabel(std::string label) { tally_.label = std::move(label); }

    bool isOpen() const { return za_ != nullptr; }
    const std::string& archivePath() const { return archivePath_; }
    // Entries the archive will hold (kept ones included).
    std::uint64_t entryCount() const;

    // The open session for an archive path (compared after making it absolute), or nullptr.
    static ZipSession* find(const std::string& archivePath);

    enum class Added { New, Replaced, Kept };
    // Adds one file under entryName, replacing an entry of that exact name. update: replace only
    // when the file is newer than the entry; freshen: the same, and add no new entry.
    // Throws ArchiveError kErrZipEngine.
    Added add(const std::filesystem::path& file, const std::string& entryName, bool update, bool freshen);

    // From now on a file that `unchanged` says the earlier archive holds as it is, and whose CRC-32
    // (read from the file) matches that of the earlier member of the same name, is not compressed: the
    // earlier member's compressed bytes are copied as they are. Any mismatch compresses the file as
    // usual. The earlier archive (a plain zip archive) stays open until the session ends. False, and
    // nothing changes, when it does not open as a zip archive.
    bool takeOverFrom(const ArchiveSource& earlierArchive, RecordedUnchanged unchanged);
    // The entries whose bytes came from the earlier archive, in the order added.
    const std::vector<std::string>& takenOver() const { return takenOver_; }
    // The files the entries were added from (replaced entries once, with their last file).
    const std::vector<MemberSource>& sources() const { return sources_; }

private:
    // The earlier member that may stand in for `file`: its index, or -1 to compress the file.
    // `source` gets the compressed bytes' CRC-32 the earlier archive recorded.
    std::int64_t earlierMemberFor(const std::filesystem::path& file, MemberSource& source);
    void record(const MemberSource& source);
    void registerOpen();
    void end();
    std::filesystem::path nextSpoolPath();

    std::string archivePath_;
    std::string key_;
    Ui* ui_;
    struct zip* za_ = nullptr;
    std::unique_ptr<PrivateWorkDir> spoolDir_; // made when the first file is added
    std::uint64_t spoolCount_ = 0;
    unsigned threads_ = 1;
    std::unique_ptr<WorkerPool> pool_; // made when the first file of more than one block comes
    std::unique_ptr<ArchiveOutput> output_;
    std::exception_ptr outputFailure_; // what the output threw first, told instead of libzip's code
    CopyTally tally_;                  // finish() copying all spooled members
    std::map<std::string, std::uint64_t> spooledSizes_; // compressed size of each entry's spooled data
    struct zip* earlier_ = nullptr; // read by za_'s sources until it is written or dropped
    RecordedUnchanged unchanged_;
    std::vector<std::string> takenOver_;
    std::vector<MemberSource> sources_;
};

} // namespace tessaly

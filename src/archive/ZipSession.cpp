// ZipSession.cpp -- the open archive of a backup, its spool folder and the registry of open sessions.
#include "archive/ZipSession.h"

#include "archive/ArchiveError.h"
#include "archive/BlockDeflate.h"
#include "archive/LibzipText.h"
#include "archive/OutputSource.h"
#include "archive/SpoolSource.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <map>
#include <optional>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

std::map<std::string, ZipSession*>& openSessions() {
    static std::map<std::string, ZipSession*> sessions;
    return sessions;
}

std::string sessionKey(const std::string& archivePath) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(archivePath, ec), ec);
    return ec ? fs::absolute(archivePath).lexically_normal().string() : p.string();
}

[[noreturn]] void fail(const std::string& what, int code) {
    throw ArchiveError(kErrZipEngine, "ZipSession", "error: " + what, code);
}

void pumpDuringClose(zip_t*, double, void* ui) {
    static_cast<Ui*>(ui)->pumpEvents();
}

int cancelDuringClose(zip_t*, void* ui) {
    return static_cast<Ui*>(ui)->stopRequested() ? 1 : 0;
}

time_t modificationTime(const fs::path& file) {
    auto ft = fs::last_write_time(file);
    return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(ft));
}

// The CRC-32 of the bytes of `fd` from `from` up to `to` or its end, whichever comes first, and how many
// there were; nullopt on a read error. `step` hears the bytes read so far and returns false to stop.
template <class Step>
std::optional<std::pair<std::uint32_t, std::uint64_t>> rangeCrc(int fd, std::uint64_t from, std::uint64_t to,
                                                                Step step) {
    std::vector<unsigned char> buffer(1 << 20);
    std::uint32_t crc = 0;
    std::uint64_t read = 0;
    while (from + read < to) {
        ssize_t n =
            ::pread(fd, buffer.data(), std::size_t(std::min<std::uint64_t>(buffer.size(), to - from - read)),
                    off_t(from + read));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        crc = libdeflate_crc32(crc, buffer.data(), std::size_t(n));
        read += std::uint64_t(n);
        if (!step(read))
            break;
    }
    return std::make_pair(crc, read);
}

// The CRC-32 of a file read to its end and the bytes read; nullopt when it cannot be read. With
// `twoThreads`, a large file's second half is read on a thread of its own at the same time: an unchanged
// file then takes about half as long to check.
std::optional<std::pair<std::uint32_t, std::uint64_t>> fileCrc(const fs::path& file, std::uint64_t expected,
                                                               Ui* ui, bool twoThreads) {
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    const std::string name = file.filename().string();
    const std::uint64_t half = twoThreads && expected >= (2u << 20) ? expected / 2 : UINT64_MAX;
    std::atomic<bool> stop{false};
    std::future<std::optional<std::pair<std::uint32_t, std::uint64_t>>> second;
    if (half != UINT64_MAX)
        second = std::async(std::launch::async, [&] {
            return rangeCrc(fd.get(), half, UINT64_MAX, [&](std::uint64_t) { return !stop.load(); });
        });
    bool stopped = false;
    auto first = rangeCrc(fd.get(), 0, half, [&](std::uint64_t read) {
        if (!ui)
            return true;
        ui->reportBytes(name, half == UINT64_MAX ? read : 2 * read, std::max(expected, read));
        stopped = ui->stopRequested();
        return !stopped;
    });
    stop = stopped;
    auto rest =
        second.valid() ? second.get() : std::optional(std::make_pair(std::uint32_t(0), std::uint64_t(0)));
    if (stopped)
        throw RunStopped{};
    if (!first || !rest)
        return std::nullopt;
    if (half != UINT64_MAX && first->second != half) // the file ended before its half: it changed
        return std::make_pair(first->first, first->second);
    return std::make_pair(std::uint32_t(crc32_combine(first->first, rest->first, z_off_t(rest->second))),
                          first->second + rest->second);
}

} // namespace

ZipSession::ZipSession(const std::string& archivePath, Ui* ui, unsigned threads)
    : archivePath_(archivePath), key_(sessionKey(archivePath)), ui_(ui),
      threads_(threads ? threads : usableCores()) {
    if (openSessions().count(key_))
        fail("the archive " + archivePath + " is already being written", ZIP_ER_INUSE);
    int flags = ZIP_CREATE;
    std::error_code ec;
    if (fs::is_regular_file(archivePath, ec) && fs::file_size(archivePath, ec) == 0)
        flags |= ZIP_TRUNCATE; // an empty placeholder file is a new archive, not a damaged one
    int code = 0;
    za_ = zip_open(archivePath.c_str(), flags, &code);
    if (!za_)
        fail("cannot open the archive " + archivePath + ": " + libzipErrorText(code), code);
    registerOpen();
}

ZipSession::ZipSession(const std::string& archivePath, std::unique_ptr<ArchiveOutput> output, Ui* ui)
    : archivePath_(archivePath), key_(sessionKey(archivePath)), ui_(ui), threads_(usableCores()),
      output_(std::move(output)) {
    if (openSessions().count(key_))
        fail("the archive " + archivePath + " is already being written", ZIP_ER_INUSE);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = outputSource(*output_, outputFailure_, &error);
    za_ = src ? zip_open_from_source(src, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    if (!za_) {
        if (src)
            zip_source_free(src);
        std::string text = zip_error_strerror(&error);
        int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        fail("cannot open the archive " + archivePath + ": " + text, code);
    }
    zip_error_fini(&error);
    registerOpen();
}

void ZipSession::registerOpen() {
    if (ui_) {
        zip_register_progress_callback_with_state(za_, 0.01, pumpDuringClose, nullptr, ui_);
        zip_register_cancel_callback_with_state(za_, cancelDuringClose, nullptr, ui_);
    }
    openSessions()[key_] = this;
}

ZipSession::~ZipSession() {
    if (za_)
        zip_discard(za_);
    za_ = nullptr;
    end();
}

ZipSession* ZipSession::find(const std::string& archivePath) {
    auto& sessions = openSessions();
    if (sessions.empty())
        return nullptr;
    auto it = sessions.find(sessionKey(archivePath));
    return it == sessions.end() ? nullptr : it->second;
}

std::uint64_t ZipSession::entryCount() const {
    if (!za_)
        return 0;
    zip_int64_t n = zip_get_num_entries(za_, 0), live = 0;
    for (zip_int64_t i = 0; i < n; ++i)
        if (zip_get_name(za_, zip_uint64_t(i), 0))
            ++live;
    return std::uint64_t(live);
}

fs::path ZipSession::nextSpoolPath() {
    if (!spoolDir_) {
        try {
            spoolDir_ = std::make_unique<PrivateWorkDir>();
        } catch (const std::exception& e) {
            fail(std::string("cannot create a spool folder: ") + e.what(), ZIP_ER_TMPOPEN);
        }
    }
    return spoolDir_->path() / ("m" + std::to_string(++spoolCount_) + ".deflate");
}

ZipSession::Added ZipSession::add(const fs::path& file, const std::string& entryName, bool update,
                                  bool freshen) {
    if (!za_)
        fail("the archive " + archivePath_ + " is already closed", ZIP_ER_ZIPCLOSED);
    zip_int64_t existing = zip_name_locate(za_, entryName.c_str(), 0);
    if (update || freshen) {
        if (existing < 0 && freshen)
            return Added::Kept;
        zip_stat_t st;
        // Zip times have a resolution of two seconds.
        if (existing >= 0 && zip_stat_index(za_, zip_uint64_t(existing), 0, &st) == 0 &&
            (st.valid & ZIP_STAT_MTIME) && modificationTime(file) <= st.mtime + 1)
            return Added::Kept;
    }

    struct stat sb {};
    if (::stat(file.c_str(), &sb) != 0)
        fail("cannot read " + file.string() + ": " + std::strerror(errno), ZIP_ER_OPEN);
    MemberSource source{entryName, std::uint64_t(sb.st_size),
                        std::int64_t(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec, 0};
    const std::int64_t earlier = earlierMemberFor(file, source);
    zip_source_t* src = nullptr;
    zip_int32_t method = ZIP_CM_DEFAULT;
    if (earlier >= 0) {
        zip_stat_t st;
        zip_stat_index(earlier_, zip_uint64_t(earlier), 0, &st);
        method = st.comp_method == ZIP_CM_STORE ? ZIP_CM_STORE : ZIP_CM_DEFAULT;
        src = zip_source_zip(za_, earlier_, zip_uint64_t(earlier), ZIP_FL_COMPRESSED, 0, 0);
    } else {
        // Threads pay off only for files of more than one block; many sessions never see one.
        if (!pool_ && threads_ > 1 && source.size > kDeflateBlock)
            pool_ = std::make_unique<WorkerPool>(threads_);
        SpooledMember member = spoolMember(file, nextSpoolPath(), pool_.get(), ui_);
        // The compressed bytes are copied as they are (a stored member stays stored).
        method = member.method == ZIP_CM_STORE ? ZIP_CM_STORE : ZIP_CM_DEFAULT;
        src = spooledSource(za_, member, ui_, &tally_);
        spooledSizes_[entryName] = member.compressedSize;
        source.compressedCrc = member.compressedCrc;
    }
    if (!src)
        fail("cannot add " + file.string() + ": " + libzipErrorText(zip_get_error(za_)),
             zip_error_code_zip(zip_get_error(za_)));

    zip_int64_t index = existing;
    if (existing >= 0) {
        if (zip_file_replace(za_, zip_uint64_t(existing), src, 0) < 0)
            index = -1;
    } else {
        index = zip_file_add(za_, entryName.c_str(), src, ZIP_FL_ENC_GUESS);
    }
    if (index < 0) {
        zip_source_free(src);
        fail("cannot add " + file.string() + ": " + libzipErrorText(zip_get_error(za_)),
             zip_error_code_zip(zip_get_error(za_)));
    }
    if (zip_set_file_compression(za_, zip_uint64_t(index), method, 0) < 0)
        fail("cannot set the compression of " + entryName + ": " + libzipErrorText(zip_get_error(za_)),
             zip_error_code_zip(zip_get_error(za_)));
    if (earlier >= 0) {
        // What a compressed file's entry gets: its time and mode, and the DOS read-only bit when its
        // owner cannot write it; the earlier entry may have been made from another mode.
        zip_uint32_t attributes = (zip_uint32_t(sb.st_mode) << 16) | ((sb.st_mode & S_IWUSR) ? 0 : 1);
        if (zip_file_set_mtime(za_, zip_uint64_t(index), sb.st_mtime, 0) < 0 ||
            zip_file_set_external_attributes(za_, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, attributes) < 0)
            fail("cannot set the attributes of " + entryName + ": " + libzipErrorText(zip_get_error(za_)),
                 zip_error_code_zip(zip_get_error(za_)));
        takenOver_.push_back(entryName);
    }
    record(source);
    return existing >= 0 ? Added::Replaced : Added::New;
}

bool ZipSession::takeOverFrom(const ArchiveSource& earlierArchive, RecordedUnchanged unchanged) {
    if (!za_ || earlier_)
        return false;
    int code = 0;
    earlier_ = earlierArchive.open(ZIP_RDONLY, &code);
    if (!earlier_)
        return false;
    unchanged_ = std::move(unchanged);
    return true;
}

std::int64_t ZipSession::earlierMemberFor(const fs::path& file, MemberSource& source) {
    std::optional<MemberSource> recorded = earlier_ && unchanged_ ? unchanged_(source) : std::nullopt;
    if (!recorded)
        return -1;
    zip_int64_t index = zip_name_locate(earlier_, source.name.c_str(), 0);
    zip_stat_t st;
    constexpr zip_uint64_t needed = ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
    if (index < 0 || zip_stat_index(earlier_, zip_uint64_t(index), 0, &st) != 0 ||
        (st.valid & needed) != needed || st.size != source.size ||
        (st.comp_method != ZIP_CM_DEFLATE && st.comp_method != ZIP_CM_STORE) ||
        ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE))
        return -1;
    // Same size and time may still hide a changed byte: the file is read once for its CRC.
    auto crc = fileCrc(file, source.size, ui_, threads_ > 1);
    if (!crc || crc->first != st.crc || crc->second != st.size)
        return -1;
    source.compressedCrc = recorded->compressedCrc;
    return index;
}

void ZipSession::record(const MemberSource& source) {
    for (MemberSource& s : sources_)
        if (s.name == source.name) {
            s = source;
            return;
        }
    sources_.push_back(source);
}

void ZipSession::finish() {
    if (!za_)
        fail("the archive " + archivePath_ + " is already closed", ZIP_ER_ZIPCLOSED);
    tally_.done = 0;
    tally_.total = 0;
    for (const auto& [name, size] : spooledSizes_)
        tally_.total += size;
    if (zip_close(za_) < 0) {
        std::string text = libzipErrorText(zip_get_error(za_));
        int code = zip_error_code_zip(zip_get_error(za_));
        zip_discard(za_);
        za_ = nullptr;
        end();
        if (code == ZIP_ER_CANCELLED)
            throw RunStopped{};
        if (outputFailure_)
            std::rethrow_exception(outputFailure_);
        fail("cannot write the archive " + archivePath_ + ": " + text, code);
    }
    za_ = nullptr;
    end();
}

void ZipSession::end() {
    auto it = openSessions().find(key_);
    if (it != openSessions().end() && it->second == this)
        openSessions().erase(it);
    spoolDir_.reset();
    if (earlier_)
        zip_discard(earlier_); // only now: the archive written or dropped no longer reads from it
    earlier_ = nullptr;
}

} // namespace tessaly

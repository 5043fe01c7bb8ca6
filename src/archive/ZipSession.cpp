// ZipSession.cpp -- the open archive of a backup, its spool folder and the registry of open sessions.
#include "archive/ZipSession.h"

#include "archive/ArchiveError.h"
#include "archive/BlockDeflate.h"
#include "archive/LibzipText.h"
#include "archive/OutputSource.h"
#include "archive/SpoolSource.h"

#include <chrono>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

#include <zip.h>

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

    std::error_code ec;
    // Threads pay off only for files of more than one block; many sessions never see one.
    if (!pool_ && threads_ > 1 && fs::file_size(file, ec) > kDeflateBlock)
        pool_ = std::make_unique<WorkerPool>(threads_);
    SpooledMember member = spoolMember(file, nextSpoolPath(), pool_.get(), ui_);
    // The compressed bytes are copied as they are (a stored member stays stored).
    zip_int32_t method = member.method == ZIP_CM_STORE ? ZIP_CM_STORE : ZIP_CM_DEFAULT;
    zip_source_t* src = spooledSource(za_, member, ui_, &tally_);
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
    spooledSizes_[entryName] = member.compressedSize;
    return existing >= 0 ? Added::Replaced : Added::New;
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
}

} // namespace tessaly

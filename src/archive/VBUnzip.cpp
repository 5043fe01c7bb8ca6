// VBUnzip.cpp -- the unzip engine run: selects entries, refuses unsafe names, and extracts through
// a temporary file per entry so that a damaged entry never replaces a good file. Entries are
// inflated and CRC-checked on worker threads, each with its own handle on the archive; questions,
// messages and the result stay on the calling thread, in entry order.
#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/EngineMessages.h"
#include "archive/EntryName.h"
#include "archive/LibzipText.h"
#include "archive/ProgressRelay.h"
#include "archive/UnzipCallbacks.h"
#include "archive/WorkerPool.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <system_error>
#include <vector>

#include <zip.h>

namespace tessaly {

namespace fs = std::filesystem;
using namespace UnzipResult;

namespace {

struct Chosen {
    zip_uint64_t index;
    std::string name;
    fs::path relative;
};

std::time_t fileTime(const fs::path& p) {
    std::error_code ec;
    auto ft = fs::last_write_time(p, ec);
    return ec ? 0 : std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(ft));
}

fs::path tempBeside(const fs::path& target) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".part-%016llx", static_cast<unsigned long long>(rng()));
    return target.parent_path() / ("." + target.filename().string() + suffix);
}

// What one entry said: plain lines (code kOk) and complaints, replayed in entry order.
struct LogLine {
    int code;
    std::string text;
};
using EntryLog = std::vector<LogLine>;

// The reading work of one entry, done on the calling thread or on a worker.
struct EntryWork {
    const Chosen* entry = nullptr;
    zip_stat_t st{};
    bool needsData = false; // false: everything was done (or refused) while planning
    bool encrypted = false; // may ask for a password, so only on the calling thread
    fs::path target;        // empty when the entry is only tested
    bool replacing = false;
    EntryLog log;
    ProgressRelay* relay = nullptr; // with workers: where the bytes go; without: straight to the Ui
    bool onCaller = false;          // read by the calling thread although there are workers
};

// Read-only handles on the archive for the workers: libzip handles are not shared between threads.
class ArchiveHandles {
public:
    explicit ArchiveHandles(std::string path) : path_(std::move(path)) {}
    ~ArchiveHandles() {
        for (zip_t* za : free_)
            zip_discard(za);
    }
    zip_t* take(int& code) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                zip_t* za = free_.back();
                free_.pop_back();
                return za;
            }
        }
        return zip_open(path_.c_str(), ZIP_RDONLY, &code);
    }
    void give(zip_t* za) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(za);
    }

private:
    std::string path_;
    std::mutex mutex_;
    std::vector<zip_t*> free_;
};

void logLine(EntryLog& log, std::string line) {
    log.push_back({kOk, std::move(line)});
}
void logComplaint(EntryLog& log, int code, std::string text) {
    log.push_back({code, std::move(text)});
}

class Extraction {
public:
    Extraction(const UnzipOptions& o, Ui* ui) : o_(o), ui_(ui) {}
    ~Extraction() {
        if (za_)
            zip_discard(za_);
    }

    int run(const ZipNameList& include, const ZipNameList& exclude);

private:
    bool writesFiles() const { return !(o_.TestZip || o_.WriteToStdOut || o_.ExtractList); }
    bool perEntryLines() const { return o_.MessageLevel < 1 || o_.Verbose; }
    bool matches(const std::string& wanted, const std::string& name) const {
        std::string_view w = upToNul(wanted);
        return o_.CaseSensitive ? w == name : sameNameIgnoringCase(w, name);
    }
    void note(const std::string& line) {
        detail::unzipTextOutput(line);
        detail::unzipTextOutput("\n");
    }
    void complain(int code, const std::string& text) {
        note(text);
        if (result_ == kOk) {
            result_ = code;
            detail::setLastEngineError(text);
        }
    }

    void replay(const EntryLog& log) {
        for (const auto& line : log) {
            if (line.code == kOk)
                note(line.text);
            else
                complain(line.code, line.text);
        }
    }

    bool open();
    // Workers pay off for several entries that are read, when no entry goes to the message buffer
    // and no two entries write the same file.
    bool worthWorkers(const std::vector<Chosen>& chosen) const;
    void extractAll(const std::vector<Chosen>& chosen);
    // Decides on the calling thread what to do with an entry (folders, overwrite questions).
    void plan(const Chosen& c, EntryWork& w);
    // The reading: thread-safe for unencrypted entries, given a handle of the caller's own.
    void perform(zip_t* za, EntryWork& w);
    void performOnWorker(ArchiveHandles& handles, EntryWork& w);
    bool prepareFolders(const Chosen& c, EntryLog& log);
    zip_file_t* openEntry(zip_t* za, EntryWork& w);
    zip_file_t* tryPassword(const Chosen& c, const std::string& password, int& code);
    // Reads the whole entry into sink; false (with a complaint) when it is damaged.
    template <class Sink> bool readAll(EntryWork& w, zip_file_t* zf, Sink&& sink);
    void extractTo(zip_t* za, EntryWork& w);

    const UnzipOptions& o_;
    Ui* ui_;
    zip_t* za_ = nullptr;
    fs::path dest_;
    int result_ = kOk;
    bool replaceNone_ = false;
    bool passwordAbandoned_ = false;
    std::optional<std::string> password_;
};

bool Extraction::open() {
    const std::string& archive = o_.ZipFileName;
    if (archive.empty()) {
        complain(kBadOptions, "no archive named");
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(archive, ec)) {
        complain(kArchiveNotFound, "cannot find or open " + archive);
        return false;
    }
    int code = 0;
    za_ = zip_open(archive.c_str(), ZIP_RDONLY, &code);
    if (!za_) {
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ)
            complain(kArchiveNotFound, "cannot find or open " + archive + " (" + libzipErrorText(code) + ")");
        else
            complain(kArchiveDamaged, archive +
                                          " is not a zip archive, or its central directory is damaged (" +
                                          libzipErrorText(code) + ")");
        return false;
    }
    return true;
}

int Extraction::run(const ZipNameList& include, const ZipNameList& exclude) {
    if (!open())
        return result_;
    if (o_.MessageLevel < 2 || o_.Verbose)
        note("Archive:  " + o_.ZipFileName);
    if (o_.DisplayComment) {
        int len = 0;
        if (const char* comment = zip_get_archive_comment(za_, &len, ZIP_FL_ENC_GUESS))
            note(std::string(comment, std::size_t(len)));
    }

    std::vector<bool> found(include.size(), false);
    std::vector<Chosen> chosen;
    zip_int64_t count = zip_get_num_entries(za_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za_, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            continue;
        std::string name = raw;
        bool wanted = include.empty();
        for (std::size_t k = 0; k < include.size(); ++k)
            if (matches(include[k], name))
                wanted = found[k] = true;
        for (const auto& x : exclude)
            if (matches(x, name))
                wanted = false;
        if (wanted)
            chosen.push_back({zip_uint64_t(i), name, {}});
    }

    if (writesFiles()) {
        dest_ = o_.ExtractDir.empty() ? fs::path(".") : fs::path(o_.ExtractDir);
        // Every name is checked before anything is written.
        for (auto& c : chosen) {
            auto defect = entryNameDefect(c.name);
            if (defect != EntryNameDefect::None)
                complain(kUnsafeName, "refused \"" + c.name + "\": " + describeDefect(defect) +
                                          " would lead outside " + dest_.string());
            else
                c.relative = entryRelativePath(c.name, o_.HonorDirectories != 0, o_.SpaceToUnderScore != 0);
        }
        if (result_ != kOk)
            return result_;
        std::error_code ec;
        fs::create_directories(dest_, ec);
        if (ec || !fs::is_directory(dest_, ec)) {
            complain(kWriteFailed, "cannot create the folder " + dest_.string());
            return result_;
        }
    }

    extractAll(chosen);
    for (std::size_t k = 0; k < include.size(); ++k)
        if (!found[k])
            complain(kNoMatch, "caution: filename not matched:  " + std::string(upToNul(include[k])));
    return result_;
}

bool Extraction::worthWorkers(const std::vector<Chosen>& chosen) const {
    if (chosen.size() < 2 || usableCores() < 2 || o_.WriteToStdOut || o_.ExtractList)
        return false;
    // A file whose name is also a folder of the archive makes the outcome depend on which comes first.
    std::set<fs::path> files, folders;
    for (const auto& c : chosen) {
        fs::path path = c.relative.has_filename() ? c.relative : c.relative.parent_path(); // "dir/"
        if (path.empty())
            continue;
        if (isFolderEntry(c.name))
            folders.insert(path);
        else if (!files.insert(path).second)
            return false;
        for (fs::path p = path.parent_path(); !p.empty(); p = p.parent_path())
            folders.insert(p);
    }
    for (const auto& f : files)
        if (folders.count(f))
            return false;
    return writesFiles() || o_.TestZip;
}

void Extraction::extractAll(const std::vector<Chosen>& chosen) {
    std::vector<zip_uint64_t> sizes;
    std::uint64_t total = 0;
    for (const auto& c : chosen) {
        zip_stat_t st;
        sizes.push_back(zip_stat_index(za_, c.index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) ? st.size
                                                                                                : 0);
        total += sizes.back();
    }
    if (!worthWorkers(chosen)) {
        // One after the other; the entries share the item's part of the bar by their sizes.
        std::optional<ProgressShares> shares;
        if (ui_)
            shares.emplace(*ui_, total);
        for (std::size_t k = 0; k < chosen.size(); ++k) {
            if (ui_) {
                shares->next(sizes[k]);
                ui_->pumpEvents();
            }
            EntryWork work;
            work.entry = &chosen[k];
            plan(chosen[k], work);
            if (work.needsData)
                perform(za_, work);
            replay(work.log);
        }
        return;
    }

    // The pool goes first (its destructor lets queued entries finish), then the handles they use.
    ProgressRelay relay(ui_, total);
    auto handles = std::make_unique<ArchiveHandles>(o_.ZipFileName);
    auto pool = std::make_unique<WorkerPool>(usableCores());
    struct Release {
        ProgressRelay& relay;
        ~Release() { relay.release(); } // before the pool waits for its workers
    } release{relay};
    // Entries in flight, oldest first; their logs are replayed in this order.
    std::deque<std::pair<std::shared_ptr<EntryWork>, std::future<void>>> inFlight;
    auto finishOldest = [&] {
        auto& [work, done] = inFlight.front();
        while (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            relay.showNews(std::chrono::milliseconds(20));
        if (!work->needsData) // its share of the bar is passed over
            relay.addHere(work->entry->name, sizes[std::size_t(work->entry - chosen.data())]);
        replay(work->log);
        inFlight.pop_front();
    };
    const std::size_t depth = 2 * std::size_t(pool->size());
    for (const auto& c : chosen) {
        auto work = std::make_shared<EntryWork>();
        work->entry = &c;
        work->relay = &relay;
        plan(c, *work);
        std::future<void> done;
        if (work->needsData && work->encrypted) {
            // It may ask for a password: read here, after the entries before it, so that messages and
            // bytes keep their order.
            while (!inFlight.empty())
                finishOldest();
            work->onCaller = true;
            perform(za_, *work);
            replay(work->log);
            continue;
        }
        if (work->needsData) {
            auto task = std::make_shared<std::packaged_task<void()>>([this, &handles, &relay, work] {
                performOnWorker(*handles, *work);
                relay.entryEnded();
            });
            done = task->get_future();
            pool->submit([task] { (*task)(); });
        } else {
            std::promise<void> ready;
            done = ready.get_future();
            ready.set_value();
        }
        inFlight.emplace_back(work, std::move(done));
        while (!inFlight.empty() &&
               (inFlight.size() > depth ||
                inFlight.front().second.wait_for(std::chrono::seconds(0)) == std::future_status::ready))
            finishOldest();
    }
    while (!inFlight.empty())
        finishOldest();
    relay.showNews(std::chrono::milliseconds(0));
}

void Extraction::plan(const Chosen& c, EntryWork& w) {
    EntryLog& log = w.log;
    zip_stat_t& st = w.st;
    if (zip_stat_index(za_, c.index, 0, &st) < 0) {
        logComplaint(log, kArchiveDamaged, c.name + ": " + libzipErrorText(zip_get_error(za_)));
        return;
    }
    w.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    if (o_.ExtractList) {
        addListingLine(st.size, st.mtime, c.name);
        return;
    }
    if (isFolderEntry(c.name)) {
        if (writesFiles() && o_.HonorDirectories && prepareFolders(c, log)) {
            std::error_code ec;
            fs::create_directory(dest_ / c.relative, ec);
        }
        return;
    }
    if (o_.TestZip || o_.WriteToStdOut) {
        w.needsData = true;
        return;
    }

    if (!prepareFolders(c, log))
        return;
    fs::path target = dest_ / c.relative;
    std::error_code ec;
    auto status = fs::symlink_status(target, ec);
    bool exists = status.type() != fs::file_type::not_found && status.type() != fs::file_type::none;
    if (exists && fs::is_directory(status)) {
        logComplaint(log, kWriteFailed, "cannot write " + target.string() + ": a folder of that name exists");
        return;
    }
    bool entryIsNewer = !exists || st.mtime > fileTime(target) + 1; // zip times step by 2 s
    if (o_.ExtractNewer && (!exists || !entryIsNewer))
        return;
    if (o_.ExtractOnlyNewer && !entryIsNewer)
        return;
    if (exists) {
        if (o_.PromptOverwrite) {
            if (replaceNone_)
                return;
            int answer = askOverwrite(ui_, target.string());
            if (answer == kReplaceNone)
                replaceNone_ = true;
            if (answer != kReplaceYes)
                return;
        } else if (!o_.OverWriteFiles) {
            if (perEntryLines())
                logLine(log, "skipping: " + target.string() + " exists");
            return;
        }
    }
    w.needsData = true;
    w.target = target;
    w.replacing = exists;
}

void Extraction::performOnWorker(ArchiveHandles& handles, EntryWork& w) {
    int code = 0;
    zip_t* za = handles.take(code);
    if (!za) {
        logComplaint(w.log, kArchiveDamaged,
                     o_.ZipFileName + " cannot be read again (" + libzipErrorText(code) + ")");
        return;
    }
    try {
        perform(za, w);
    } catch (const std::exception& e) {
        logComplaint(w.log, kWriteFailed, w.entry->name + ": " + e.what());
    }
    handles.give(za);
}

void Extraction::perform(zip_t* za, EntryWork& w) {
    if (!w.target.empty()) {
        extractTo(za, w);
        return;
    }
    zip_file_t* zf = openEntry(za, w);
    if (!zf)
        return;
    bool ok = readAll(w, zf, [&](const char* data, std::size_t n) {
        if (o_.WriteToStdOut)
            detail::appendEngineBytes(std::string_view(data, n));
        return true;
    });
    zip_fclose(zf);
    if (ok && o_.TestZip && perEntryLines())
        logLine(w.log, "    testing: " + w.entry->name + "   OK");
}

// Creates the entry's folders below the destination; a folder that is a symbolic link could lead
// anywhere, so it is refused.
bool Extraction::prepareFolders(const Chosen& c, EntryLog& log) {
    fs::path current = dest_;
    fs::path folders = isFolderEntry(c.name) ? c.relative : c.relative.parent_path();
    for (const auto& part : folders) {
        current /= part;
        std::error_code ec;
        auto status = fs::symlink_status(current, ec);
        if (fs::is_symlink(status)) {
            logComplaint(log, kUnsafeName,
                         "refused \"" + c.name + "\": its folder " + current.string() +
                             " is a symbolic link");
            return false;
        }
        if (status.type() == fs::file_type::not_found) {
            if (!fs::create_directory(current, ec) && ec) {
                logComplaint(log, kWriteFailed,
                             "cannot create the folder " + current.string() + ": " + ec.message());
                return false;
            }
        } else if (!fs::is_directory(status)) {
            logComplaint(log, kWriteFailed,
                         "cannot create the folder " + current.string() + ": a file of that name exists");
            return false;
        }
    }
    return true;
}

zip_file_t* Extraction::tryPassword(const Chosen& c, const std::string& password, int& code) {
    zip_file_t* zf = zip_fopen_index_encrypted(za_, c.index, 0, password.c_str());
    code = zf ? 0 : zip_error_code_zip(zip_get_error(za_));
    zip_error_clear(za_);
    if (!zf)
        return nullptr;
    // The header check of zip's traditional encryption lets one wrong password in 256 through;
    // only reading the entry up to its CRC tells.
    std::vector<char> buffer(1 << 16);
    zip_int64_t n;
    while ((n = zip_fread(zf, buffer.data(), buffer.size())) > 0) {
    }
    zip_fclose(zf);
    if (n < 0) {
        code = ZIP_ER_WRONGPASSWD;
        return nullptr;
    }
    zf = zip_fopen_index_encrypted(za_, c.index, 0, password.c_str());
    code = zf ? 0 : zip_error_code_zip(zip_get_error(za_));
    zip_error_clear(za_);
    return zf;
}

zip_file_t* Extraction::openEntry(zip_t* za, EntryWork& w) {
    const Chosen& c = *w.entry;
    const zip_stat_t& st = w.st;
    EntryLog& log = w.log;
    int code = 0;
    zip_file_t* zf = nullptr;
    if (!w.encrypted) {
        zf = zip_fopen_index(za, c.index, 0);
        code = zf ? 0 : zip_error_code_zip(zip_get_error(za));
    } else if (!zip_encryption_method_supported(st.encryption_method, 0)) {
        code = ZIP_ER_ENCRNOTSUPP;
    } else {
        if (password_)
            zf = tryPassword(c, *password_, code);
        // Asked again after a wrong answer, at most three times per entry; the first empty answer
        // ends the asking for the rest of this run.
        for (int wrong = 0; !zf && (!password_ || code == ZIP_ER_WRONGPASSWD);) {
            std::string answer;
            if (passwordAbandoned_ || askZipPassword(ui_, answer) != 0) {
                passwordAbandoned_ = true;
                logComplaint(log, kBadPassword, "skipping: " + c.name + "  unable to get password");
                return nullptr;
            }
            zf = tryPassword(c, answer, code);
            if (zf)
                password_ = answer;
            else if (code != ZIP_ER_WRONGPASSWD)
                break;
            else if (++wrong == 3) {
                logComplaint(log, kBadPassword, "skipping: " + c.name + "  incorrect password");
                return nullptr;
            }
        }
    }
    if (zf)
        return zf;
    if (code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP)
        logComplaint(log, kUnsupported, c.name + ": " + libzipErrorText(code));
    else if (code == ZIP_ER_WRONGPASSWD)
        logComplaint(log, kBadPassword, "skipping: " + c.name + "  incorrect password");
    else
        logComplaint(log, kEntryDamaged, c.name + ": damaged entry (" + libzipErrorText(code) + ")");
    return nullptr;
}

template <class Sink> bool Extraction::readAll(EntryWork& w, zip_file_t* zf, Sink&& sink) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
        if (n < 0) {
            logComplaint(w.log, kEntryDamaged,
                         w.entry->name + ": damaged entry (" + libzipErrorText(zip_file_get_error(zf)) +
                             "), not written");
            return false;
        }
        if (n == 0)
            return true;
        if (!sink(buffer.data(), std::size_t(n)))
            return false;
    }
}

void Extraction::extractTo(zip_t* za, EntryWork& w) {
    const zip_stat_t& st = w.st;
    const fs::path& target = w.target;
    EntryLog& log = w.log;
    zip_file_t* zf = openEntry(za, w);
    if (!zf)
        return;
    fs::path temp = tempBeside(target);
    FILE* out = std::fopen(temp.c_str(), "wbx");
    if (!out) {
        logComplaint(log, kWriteFailed, "cannot write " + target.string() + ": " + std::strerror(errno));
        zip_fclose(zf);
        return;
    }
    bool lastWasCR = false;
    std::string converted;
    bool writeFailed = false;
    std::uint64_t done = 0;
    bool ok = readAll(w, zf, [&](const char* data, std::size_t n) {
        done += n;
        if (w.relay && w.onCaller)
            w.relay->addHere(w.entry->name, n);
        else if (w.relay)
            w.relay->add(w.entry->name, n);
        else if (ui_)
            ui_->reportBytes(w.entry->name, done, st.size);
        if (o_.ConvertCRtoCRLF) {
            converted.clear();
            for (std::size_t i = 0; i < n; ++i) {
                if (data[i] == '\n' && !lastWasCR)
                    converted += '\r';
                converted += data[i];
                lastWasCR = data[i] == '\r';
            }
            data = converted.data();
            n = converted.size();
        }
        if (std::fwrite(data, 1, n, out) != n) {
            writeFailed = true;
            return false;
        }
        return true;
    });
    zip_fclose(zf);
    if (std::fclose(out) != 0)
        writeFailed = true;
    std::error_code ec;
    if (writeFailed)
        logComplaint(log, kWriteFailed, "cannot write " + target.string() + ": " + std::strerror(errno));
    if (!ok || writeFailed) {
        fs::remove(temp, ec);
        return;
    }
    if (w.replacing && fs::is_regular_file(target, ec))
        fs::permissions(temp, fs::status(target, ec).permissions(), ec);
    fs::last_write_time(
        temp, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(st.mtime)), ec);
    fs::rename(temp, target, ec);
    if (ec) {
        logComplaint(log, kWriteFailed, "cannot write " + target.string() + ": " + ec.message());
        fs::remove(temp, ec);
        return;
    }
    if (perEntryLines())
        logLine(log, (st.comp_method == ZIP_CM_STORE ? " extracting: " : "  inflating: ") + target.string());
}

void checkSlots(const std::optional<ZipNameList>& list) {
    if (list && list->size() > kZipNameSlots)
        throw ArchiveError(kErrSubscript, "CodeModule::VBUnzip", "Subscript out of range");
}

} // namespace

std::int32_t VBUnzip(const UnzipOptions& options, const std::optional<ZipNameList>& eFiles,
                     const std::optional<ZipNameList>& xFiles, Ui* ui) {
    detail::clearEngineMessages();
    checkSlots(eFiles);
    checkSlots(xFiles);
    clearListing();
    try {
        Extraction run(options, ui);
        return run.run(eFiles.value_or(ZipNameList{}), xFiles.value_or(ZipNameList{}));
    } catch (const std::exception& e) {
        throw ArchiveError(kErrUnzipEngine, "CodeModule::VBUnzip", e.what());
    }
}

} // namespace tessaly

// VBUnzip.cpp -- the unzip engine run: selects entries, refuses unsafe names, and extracts through
// a temporary file per entry so that a damaged entry never replaces a good file.
#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/EngineMessages.h"
#include "archive/EntryName.h"
#include "archive/LibzipText.h"
#include "archive/UnzipCallbacks.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
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
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".part-%016llx", static_cast<unsigned long long>(rng()));
    return target.parent_path() / ("." + target.filename().string() + suffix);
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

    bool open();
    void process(const Chosen& c);
    bool prepareFolders(const Chosen& c);
    zip_file_t* openEntry(const Chosen& c, const zip_stat_t& st);
    zip_file_t* tryPassword(const Chosen& c, const std::string& password, int& code);
    // Reads the whole entry into sink; false (with a complaint) when it is damaged.
    template <class Sink> bool readAll(const Chosen& c, zip_file_t* zf, Sink&& sink);
    void extractTo(const Chosen& c, const zip_stat_t& st, const fs::path& target, bool replacing);

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

    // The entries share the item's part of the progress bar by their sizes.
    std::optional<ProgressShares> shares;
    std::vector<zip_uint64_t> sizes;
    if (ui_) {
        std::uint64_t total = 0;
        for (const auto& c : chosen) {
            zip_stat_t st;
            sizes.push_back(zip_stat_index(za_, c.index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) ? st.size
                                                                                                    : 0);
            total += sizes.back();
        }
        shares.emplace(*ui_, total);
    }
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        if (ui_) {
            shares->next(sizes[k]);
            ui_->pumpEvents();
        }
        process(chosen[k]);
    }
    for (std::size_t k = 0; k < include.size(); ++k)
        if (!found[k])
            complain(kNoMatch, "caution: filename not matched:  " + std::string(upToNul(include[k])));
    return result_;
}

void Extraction::process(const Chosen& c) {
    zip_stat_t st;
    if (zip_stat_index(za_, c.index, 0, &st) < 0) {
        complain(kArchiveDamaged, c.name + ": " + libzipErrorText(zip_get_error(za_)));
        return;
    }
    if (o_.ExtractList) {
        addListingLine(st.size, st.mtime, c.name);
        return;
    }
    if (isFolderEntry(c.name)) {
        if (writesFiles() && o_.HonorDirectories && prepareFolders(c)) {
            std::error_code ec;
            fs::create_directory(dest_ / c.relative, ec);
        }
        return;
    }
    if (o_.TestZip || o_.WriteToStdOut) {
        zip_file_t* zf = openEntry(c, st);
        if (!zf)
            return;
        bool ok = readAll(c, zf, [&](const char* data, std::size_t n) {
            if (o_.WriteToStdOut)
                detail::appendEngineBytes(std::string_view(data, n));
            return true;
        });
        zip_fclose(zf);
        if (ok && o_.TestZip && perEntryLines())
            note("    testing: " + c.name + "   OK");
        return;
    }

    if (!prepareFolders(c))
        return;
    fs::path target = dest_ / c.relative;
    std::error_code ec;
    auto status = fs::symlink_status(target, ec);
    bool exists = status.type() != fs::file_type::not_found && status.type() != fs::file_type::none;
    if (exists && fs::is_directory(status)) {
        complain(kWriteFailed, "cannot write " + target.string() + ": a folder of that name exists");
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
                note("skipping: " + target.string() + " exists");
            return;
        }
    }
    extractTo(c, st, target, exists);
}

// Creates the entry's folders below the destination; a folder that is a symbolic link could lead
// anywhere, so it is refused.
bool Extraction::prepareFolders(const Chosen& c) {
    fs::path current = dest_;
    fs::path folders = isFolderEntry(c.name) ? c.relative : c.relative.parent_path();
    for (const auto& part : folders) {
        current /= part;
        std::error_code ec;
        auto status = fs::symlink_status(current, ec);
        if (fs::is_symlink(status)) {
            complain(kUnsafeName,
                     "refused \"" + c.name + "\": its folder " + current.string() + " is a symbolic link");
            return false;
        }
        if (status.type() == fs::file_type::not_found) {
            if (!fs::create_directory(current, ec) && ec) {
                complain(kWriteFailed, "cannot create the folder " + current.string() + ": " + ec.message());
                return false;
            }
        } else if (!fs::is_directory(status)) {
            complain(kWriteFailed,
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

zip_file_t* Extraction::openEntry(const Chosen& c, const zip_stat_t& st) {
    int code = 0;
    bool encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    zip_file_t* zf = nullptr;
    if (!encrypted) {
        zf = zip_fopen_index(za_, c.index, 0);
        code = zf ? 0 : zip_error_code_zip(zip_get_error(za_));
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
                complain(kBadPassword, "skipping: " + c.name + "  unable to get password");
                return nullptr;
            }
            zf = tryPassword(c, answer, code);
            if (zf)
                password_ = answer;
            else if (code != ZIP_ER_WRONGPASSWD)
                break;
            else if (++wrong == 3) {
                complain(kBadPassword, "skipping: " + c.name + "  incorrect password");
                return nullptr;
            }
        }
    }
    if (zf)
        return zf;
    if (code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP)
        complain(kUnsupported, c.name + ": " + libzipErrorText(code));
    else if (code == ZIP_ER_WRONGPASSWD)
        complain(kBadPassword, "skipping: " + c.name + "  incorrect password");
    else
        complain(kEntryDamaged, c.name + ": damaged entry (" + libzipErrorText(code) + ")");
    return nullptr;
}

template <class Sink> bool Extraction::readAll(const Chosen& c, zip_file_t* zf, Sink&& sink) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
        if (n < 0) {
            complain(kEntryDamaged, c.name + ": damaged entry (" + libzipErrorText(zip_file_get_error(zf)) +
                                        "), not written");
            return false;
        }
        if (n == 0)
            return true;
        if (!sink(buffer.data(), std::size_t(n)))
            return false;
    }
}

void Extraction::extractTo(const Chosen& c, const zip_stat_t& st, const fs::path& target, bool replacing) {
    zip_file_t* zf = openEntry(c, st);
    if (!zf)
        return;
    fs::path temp = tempBeside(target);
    FILE* out = std::fopen(temp.c_str(), "wbx");
    if (!out) {
        complain(kWriteFailed, "cannot write " + target.string() + ": " + std::strerror(errno));
        zip_fclose(zf);
        return;
    }
    bool lastWasCR = false;
    std::string converted;
    bool writeFailed = false;
    std::uint64_t done = 0;
    bool ok = readAll(c, zf, [&](const char* data, std::size_t n) {
        done += n;
        if (ui_)
            ui_->reportBytes(c.name, done, st.size);
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
        complain(kWriteFailed, "cannot write " + target.string() + ": " + std::strerror(errno));
    if (!ok || writeFailed) {
        fs::remove(temp, ec);
        return;
    }
    if (replacing && fs::is_regular_file(target, ec))
        fs::permissions(temp, fs::status(target, ec).permissions(), ec);
    fs::last_write_time(
        temp, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(st.mtime)), ec);
    fs::rename(temp, target, ec);
    if (ec) {
        complain(kWriteFailed, "cannot write " + target.string() + ": " + ec.message());
        fs::remove(temp, ec);
        return;
    }
    if (perEntryLines())
        note((st.comp_method == ZIP_CM_STORE ? " extracting: " : "  inflating: ") + target.string());
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

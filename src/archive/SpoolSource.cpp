// SpoolSource.cpp -- compressing a file into a spool archive, and the source that reads it back raw.
#include "archive/SpoolSource.h"

#include "archive/ArchiveError.h"
#include "archive/LibzipText.h"

#include <algorithm>
#include <system_error>

#include <sys/stat.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

constexpr zip_int32_t kCompressionLevel = 6; // the zip tool's default level

// Reads a file for compression through libzip's own file source, counting the bytes read: the
// progress libzip reports while compressing counts compressed bytes, which is not how far the file
// has got. A stop request ends the read (and so the close) with ZIP_ER_CANCELLED.
struct CountingReader {
    zip_source_t* inner;
    Ui* ui;
    std::string name;
    std::uint64_t size;
    std::uint64_t done = 0;
    zip_error_t error;

    CountingReader(zip_source_t* source, Ui* u, std::string n, std::uint64_t s)
        : inner(source), ui(u), name(std::move(n)), size(s) {
        zip_error_init(&error);
    }
    ~CountingReader() {
        zip_source_free(inner);
        zip_error_fini(&error);
    }
    zip_int64_t failed() {
        zip_error_set(&error, zip_error_code_zip(zip_source_error(inner)),
                      zip_error_code_system(zip_source_error(inner)));
        return -1;
    }
};

zip_int64_t countingCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* r = static_cast<CountingReader*>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        r->done = 0;
        return zip_source_open(r->inner) < 0 ? r->failed() : 0;
    case ZIP_SOURCE_READ: {
        if (r->ui->stopRequested()) {
            zip_error_set(&r->error, ZIP_ER_CANCELLED, 0);
            return -1;
        }
        zip_int64_t n = zip_source_read(r->inner, data, len);
        if (n < 0)
            return r->failed();
        r->done += zip_uint64_t(n);
        r->ui->reportBytes(r->name, r->done, std::max(r->size, r->done));
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        zip_source_close(r->inner);
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &r->error);
        if (!st)
            return -1;
        return zip_source_stat(r->inner, st) < 0 ? r->failed() : zip_int64_t(sizeof(zip_stat_t));
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&r->error, data, len);
    case ZIP_SOURCE_FREE:
        delete r;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&r->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void pumpDuringClose(zip_t*, double, void* ui) {
    static_cast<Ui*>(ui)->pumpEvents();
}

int cancelDuringClose(zip_t*, void* ui) {
    return static_cast<Ui*>(ui)->stopRequested() ? 1 : 0;
}

// The file source with its byte count, when there is a Ui to tell; the file's own source otherwise.
zip_source_t* fileSource(zip_t* za, const fs::path& file, Ui* ui) {
    zip_source_t* plain = zip_source_file(za, file.c_str(), 0, -1);
    if (!plain || !ui)
        return plain;
    std::error_code ec;
    std::uintmax_t size = fs::file_size(file, ec);
    auto* reader = new CountingReader(plain, ui, file.filename().string(), ec ? 0 : std::uint64_t(size));
    zip_source_t* counting = zip_source_function(za, countingCallback, reader);
    if (!counting)
        delete reader;
    return counting;
}

// The attributes libzip's file source gives a member on this platform: the mode bits, and the DOS
// read-only bit for a file its owner cannot write.
void setFileAttributes(zip_t* za, zip_uint64_t index, const fs::path& file) {
    struct stat sb {};
    if (::stat(file.c_str(), &sb) == 0)
        zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX,
                                         (zip_uint32_t(sb.st_mode) << 16) | ((sb.st_mode & S_IWUSR) ? 0 : 1));
}

[[noreturn]] void fail(const std::string& what, int code) {
    throw ArchiveError(kErrZipEngine, "ZipSession", "error: " + what, code);
}

struct SpoolReader {
    SpooledMember member;
    zip_t* archive = nullptr;
    zip_file_t* file = nullptr;
    zip_error_t error;

    Ui* ui = nullptr;
    zip_uint64_t copied = 0;

    SpoolReader(const SpooledMember& m, Ui* u) : member(m), ui(u) { zip_error_init(&error); }
    ~SpoolReader() {
        close();
        zip_error_fini(&error);
        std::error_code ec;
        fs::remove(member.spoolArchive, ec);
    }

    void close() {
        if (file)
            zip_fclose(file);
        if (archive)
            zip_discard(archive);
        file = nullptr;
        archive = nullptr;
    }

    zip_int64_t open() {
        copied = 0;
        int code = 0;
        archive = zip_open(member.spoolArchive.c_str(), ZIP_RDONLY, &code);
        if (!archive) {
            zip_error_set(&error, code, 0);
            return -1;
        }
        file = zip_fopen_index(archive, 0, ZIP_FL_COMPRESSED);
        if (!file) {
            zip_error_set(&error, zip_error_code_zip(zip_get_error(archive)), 0);
            close();
            return -1;
        }
        return 0;
    }

    zip_int64_t read(void* data, zip_uint64_t len) {
        zip_int64_t n = zip_fread(file, data, len);
        if (n < 0)
            zip_error_set(&error, zip_error_code_zip(zip_file_get_error(file)), 0);
        else if (ui)
            ui->reportBytes(member.name, copied += zip_uint64_t(n), member.stat.comp_size);
        return n;
    }
};

zip_int64_t spoolCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* r = static_cast<SpoolReader*>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        return r->open();
    case ZIP_SOURCE_READ:
        return r->read(data, len);
    case ZIP_SOURCE_CLOSE:
        r->close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &r->error);
        if (!st)
            return -1;
        zip_stat_init(st);
        const zip_stat_t& m = r->member.stat;
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                    ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
        st->size = m.size;
        st->comp_size = m.comp_size;
        st->comp_method = m.comp_method;
        st->crc = m.crc;
        st->mtime = m.mtime;
        st->encryption_method = ZIP_EM_NONE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        auto* attrs = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, len, &r->error);
        if (!attrs)
            return -1;
        attrs->valid |= ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
        attrs->host_system = r->member.opsys;
        attrs->external_file_attributes = r->member.attributes;
        return sizeof(zip_file_attributes_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&r->error, data, len);
    case ZIP_SOURCE_FREE:
        delete r;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    default:
        zip_error_set(&r->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

SpooledMember spoolMember(const fs::path& file, const fs::path& spoolArchive, Ui* ui) {
    int code = 0;
    zip_t* za = zip_open(spoolArchive.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!za)
        fail("cannot create the spool file " + spoolArchive.string() + ": " + libzipErrorText(code), code);
    if (ui) {
        zip_register_progress_callback_with_state(za, 0.01, pumpDuringClose, nullptr, ui);
        zip_register_cancel_callback_with_state(za, cancelDuringClose, nullptr, ui);
    }
    zip_source_t* src = fileSource(za, file, ui);
    zip_int64_t index = src ? zip_file_add(za, "member", src, 0) : -1;
    if (index < 0 && src)
        zip_source_free(src);
    if (index >= 0 && ui)
        setFileAttributes(za, zip_uint64_t(index), file);
    if (index < 0 ||
        zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, kCompressionLevel) < 0 ||
        zip_close(za) < 0) {
        std::string text = libzipErrorText(zip_get_error(za));
        code = zip_error_code_zip(zip_get_error(za));
        zip_discard(za);
        std::error_code ec;
        fs::remove(spoolArchive, ec);
        if (code == ZIP_ER_CANCELLED || (ui && ui->stopRequested()))
            throw RunStopped{};
        fail("cannot read " + file.string() + ": " + text, code);
    }

    SpooledMember member;
    member.spoolArchive = spoolArchive;
    member.name = file.filename().string();
    zip_t* back = zip_open(spoolArchive.c_str(), ZIP_RDONLY, &code);
    if (!back || zip_stat_index(back, 0, 0, &member.stat) < 0 ||
        zip_file_get_external_attributes(back, 0, 0, &member.opsys, &member.attributes) < 0) {
        if (back)
            zip_discard(back);
        std::error_code ec;
        fs::remove(spoolArchive, ec);
        fail("cannot read back the spool file " + spoolArchive.string(), code ? code : ZIP_ER_INTERNAL);
    }
    zip_discard(back);
    return member;
}

zip_source_t* spooledSource(zip_t* za, const SpooledMember& member, Ui* ui) {
    auto* reader = new SpoolReader(member, ui);
    zip_source_t* src = zip_source_function(za, spoolCallback, reader);
    if (!src) {
        delete reader;
        return nullptr;
    }
    return src;
}

} // namespace tessaly

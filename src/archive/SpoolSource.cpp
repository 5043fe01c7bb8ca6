// SpoolSource.cpp -- compressing a file into a spool file, and the source that reads it back raw.
#include "archive/SpoolSource.h"

#include "archive/ArchiveError.h"
#include "archive/BlockDeflate.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <zlib.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, int code) {
    throw ArchiveError(kErrZipEngine, "ZipSession", "error: " + what, code);
}

// Copies the file into the spool as it is, for a member that deflate did not make smaller; returns
// its size and CRC as read this time.
std::pair<std::uint64_t, std::uint32_t> copyStored(const fs::path& file, const fs::path& spoolFile,
                                                   const SpoolCipher& cipher, Ui* ui,
                                                   const std::string& name) {
    std::FILE* in = std::fopen(file.c_str(), "rbe");
    if (!in)
        fail("cannot read " + file.string() + ": " + std::strerror(errno), ZIP_ER_OPEN);
    std::FILE* out = std::fopen(spoolFile.c_str(), "wbxe");
    if (!out) {
        std::fclose(in);
        fail("cannot create the spool file " + spoolFile.string() + ": " + std::strerror(errno),
             ZIP_ER_TMPOPEN);
    }
    std::vector<unsigned char> buffer(1 << 20);
    std::uint64_t size = 0;
    std::uint32_t crc = std::uint32_t(crc32(0, nullptr, 0));
    bool readError = false, writeError = false;
    while (!readError && !writeError) {
        std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        readError = n < buffer.size() && std::ferror(in);
        crc = std::uint32_t(crc32(crc, buffer.data(), uInt(n)));
        cipher.xorAt(size, buffer.data(), n);
        writeError = n > 0 && std::fwrite(buffer.data(), 1, n, out) != n;
        size += n;
        if (n < buffer.size())
            break;
        if (ui)
            ui->reportBytes(name, size, size);
    }
    std::fclose(in);
    writeError = std::fclose(out) != 0 || writeError;
    if (readError)
        fail("cannot read " + file.string(), ZIP_ER_READ);
    if (writeError)
        fail("cannot write the spool file " + spoolFile.string(), ZIP_ER_WRITE);
    return {size, crc};
}

struct SpoolReader {
    SpooledMember member;
    std::FILE* file = nullptr;
    zip_error_t error;

    Ui* ui = nullptr;
    CopyTally* tally = nullptr;
    zip_uint64_t copied = 0;

    SpoolReader(const SpooledMember& m, Ui* u, CopyTally* t) : member(m), ui(u), tally(t) {
        zip_error_init(&error);
    }
    ~SpoolReader() {
        close();
        zip_error_fini(&error);
        std::error_code ec;
        fs::remove(member.spoolFile, ec);
    }

    void close() {
        if (file)
            std::fclose(file);
        file = nullptr;
    }

    zip_int64_t open() {
        copied = 0;
        file = std::fopen(member.spoolFile.c_str(), "rbe");
        if (!file) {
            zip_error_set(&error, ZIP_ER_OPEN, errno);
            return -1;
        }
        return 0;
    }

    zip_int64_t read(void* data, zip_uint64_t len) {
        std::size_t n = std::fread(data, 1, len, file);
        if (n < len && std::ferror(file)) {
            zip_error_set(&error, ZIP_ER_READ, errno);
            return -1;
        }
        member.cipher.xorAt(copied, static_cast<unsigned char*>(data), n);
        copied += n;
        if (ui && tally) {
            tally->done = std::min(tally->done + n, tally->total);
            ui->reportBytes(tally->label.empty() ? member.name : tally->label, tally->done, tally->total);
        } else if (ui) {
            ui->reportBytes(member.name, copied, member.compressedSize);
        }
        return zip_int64_t(n);
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
        const SpooledMember& m = r->member;
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                    ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
        st->size = m.size;
        st->comp_size = m.compressedSize;
        st->comp_method = m.method;
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
        attrs->host_system = ZIP_OPSYS_UNIX;
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

SpooledMember spoolMember(const fs::path& file, const fs::path& spoolFile, WorkerPool* pool, Ui* ui) {
    struct stat sb {};
    if (::stat(file.c_str(), &sb) != 0)
        fail("cannot read " + file.string() + ": " + std::strerror(errno), ZIP_ER_OPEN);
    SpooledMember member;
    member.spoolFile = spoolFile;
    member.name = file.filename().string();
    member.mtime = sb.st_mtime;
    // What libzip's own file source gives a member here: the mode bits, and the DOS read-only bit for
    // a file its owner cannot write.
    member.attributes = (zip_uint32_t(sb.st_mode) << 16) | ((sb.st_mode & S_IWUSR) ? 0 : 1);
    DeflatedFile deflated = deflateFile(file, spoolFile, member.cipher, pool, ui, member.name);
    member.size = deflated.size;
    member.compressedSize = deflated.compressedSize;
    member.crc = deflated.crc;
    member.compressedCrc = deflated.compressedCrc;
    if (deflated.compressedSize >= deflated.size) {
        try {
            std::error_code ec;
            fs::remove(spoolFile, ec);
            std::tie(member.size, member.crc) = copyStored(file, spoolFile, member.cipher, ui, member.name);
        } catch (...) {
            std::error_code ec;
            fs::remove(spoolFile, ec);
            throw;
        }
        member.method = ZIP_CM_STORE;
        member.compressedSize = member.size;
        member.compressedCrc = member.crc;
    }
    return member;
}

zip_source_t* spooledSource(zip_t* za, const SpooledMember& member, Ui* ui, CopyTally* tally) {
    auto* reader = new SpoolReader(member, ui, tally);
    zip_source_t* src = zip_source_function(za, spoolCallback, reader);
    if (!src) {
        delete reader;
        return nullptr;
    }
    return src;
}

} // namespace tessaly

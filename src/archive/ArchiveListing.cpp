// ArchiveListing.cpp -- listing and testing archive members through libzip.
#include "archive/ArchiveListing.h"

#include "archive/ArchiveError.h"

#include <libdeflate.h>
#include <memory>
#include <zip.h>

namespace tessaly {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

Archive openForReading(const ArchiveSource& archive, const char* source) {
    int error = 0;
    zip_t* za = archive.open(ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        std::string text = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        throw ArchiveError(kErrUnzipEngine, source, archive.name() + ": " + text,
                           error == ZIP_ER_NOENT || error == ZIP_ER_OPEN ? UnzipResult::kArchiveNotFound
                                                                         : UnzipResult::kArchiveDamaged);
    }
    return Archive(za);
}

} // namespace

std::vector<ArchiveMember> ListArchive(const ArchiveSource& archive) {
    Archive za = openForReading(archive, "ListArchive");
    std::vector<ArchiveMember> members;
    zip_int64_t n = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
            continue;
        members.push_back({st.name ? st.name : "", st.size, st.comp_size, st.crc});
    }
    return members;
}

std::vector<MemberProblem> TestArchive(const ArchiveSource& archive, const CopiedMembers& copied) {
    Archive za = openForReading(archive, "TestArchive");
    std::vector<MemberProblem> problems;
    zip_int64_t n = zip_get_num_entries(za.get(), 0);
    std::vector<char> buffer(1 << 20);
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(za.get(), static_cast<zip_uint64_t>(i), 0);
        auto known = name ? copied.find(name) : copied.end();
        const zip_flags_t flags = known != copied.end() ? ZIP_FL_COMPRESSED : 0;
        zip_file_t* f = zip_fopen_index(za.get(), static_cast<zip_uint64_t>(i), flags);
        if (!f) {
            problems.push_back({name ? name : "?", zip_strerror(za.get())});
            continue;
        }
        zip_int64_t got;
        std::uint32_t crc = 0;
        while ((got = zip_fread(f, buffer.data(), buffer.size())) > 0)
            if (flags)
                crc = libdeflate_crc32(crc, buffer.data(), std::size_t(got));
        if (got < 0)
            problems.push_back({name ? name : "?", zip_file_strerror(f)});
        else if (flags && crc != known->second)
            problems.push_back({name, "its compressed data differ from those of the earlier backup it was "
                                      "copied from"});
        zip_fclose(f);
    }
    return problems;
}

} // namespace tessaly

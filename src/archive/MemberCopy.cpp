// MemberCopy.cpp -- streaming one member out of a zip archive through libzip into a descriptor.
#include "archive/MemberCopy.h"

#include "archive/ArchiveError.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace tessaly {

namespace {

constexpr const char* kSource = "copyMemberTo";

[[noreturn]] void fail(const std::string& text, int result) {
    throw ArchiveError(kErrUnzipEngine, kSource, text, result);
}

} // namespace

void copyMemberTo(const ArchiveSource& archive, const std::string& name, int fd, Ui* ui) {
    int error = 0;
    std::unique_ptr<zip_t, void (*)(zip_t*)> za(archive.open(ZIP_RDONLY, &error),
                                                [](zip_t* z) { zip_discard(z); });
    if (!za)
        fail(archive.name() + ": the archive cannot be opened", UnzipResult::kArchiveDamaged);
    zip_stat_t st;
    if (zip_stat(za.get(), name.c_str(), 0, &st) != 0)
        fail(name + ": no such member", UnzipResult::kNoMatch);
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> f(zip_fopen(za.get(), name.c_str(), 0), zip_fclose);
    if (!f)
        fail(name + ": " + zip_strerror(za.get()), UnzipResult::kEntryDamaged);
    std::vector<char> buffer(1 << 20);
    std::uint64_t done = 0;
    for (;;) {
        zip_int64_t got = zip_fread(f.get(), buffer.data(), buffer.size());
        if (got < 0)
            fail(name + ": " + zip_file_strerror(f.get()), UnzipResult::kEntryDamaged);
        if (got == 0)
            break;
        for (zip_int64_t at = 0; at < got;) {
            ssize_t n = ::write(fd, buffer.data() + at, std::size_t(got - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(name + ": cannot write: " + std::strerror(n < 0 ? errno : ENOSPC),
                     UnzipResult::kWriteFailed);
            at += n;
        }
        done += std::uint64_t(got);
        if (ui) {
            ui->reportBytes(name, done, st.size);
            ui->throwIfStopped();
        }
    }
}

} // namespace tessaly

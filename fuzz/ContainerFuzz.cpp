// ContainerFuzz.cpp -- opening strong and compatible backup files. The first byte chooses: even, the rest
// is a file as it is (the seeds are strong files of the password "fuzz" with the cheapest key derivation,
// so that mutations reach the chunks past the key check); odd, the rest is an archive sealed first in
// the format bit 1 names, which must open to the very same bytes.
#include "FuzzSupport.h"

#include "backupfile/BackupContainer.h"
#include "backupfile/StrongContainer.h"

#include <cstdint>
#include <fstream>
#include <iterator>

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The archive length a file of `size` bytes holds when it opens: strong files are the header, one chunk
// per started 64 KiB (one more when it is a whole number of them) and the end mark.
std::uint64_t expectedArchiveSize(bool strong, std::uint64_t size) {
    if (!strong)
        return size - 33;
    std::uint64_t body = size - kStrongHeaderSize - sizeof kStrongEndMark;
    std::uint64_t chunks = body / (kStrongChunk + 17) + 1;
    return body - 17 * chunks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CodePage codePage(1252);
    static const std::string password = "fuzz";
    if (size == 0)
        return 0;
    const fs::path dir = fuzz::freshFolder("container");
    const fs::path file = dir / "file.tsy", archive = dir / "archive.zip";
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::NullUi ui;
    if (data[0] & 1) {
        const fs::path plain = dir / "plain.zip";
        fuzz::writeBytes(plain, rest);
        if (data[0] & 2)
            sealStrong(plain, file, password, KdfParameters{1, 8192}, ui);
        else
            sealArchive(plain, file, password, Protection::Compatible, codePage, ui);
        fs::remove(plain);
        openArchive(file, password, archive, codePage, ui);
        if (readBytes(archive) != rest)
            fuzz::failed("a sealed archive does not open to the same bytes");
        return 0;
    }
    fuzz::writeBytes(file, rest);
    const bool strong = detectProtection(file) == Protection::Strong;
    BackupFileCheck check = BackupFileCheck::NotABackupFile;
    try {
        check = checkContainer(file, password, codePage);
    } catch (const std::runtime_error&) {
        return 0; // no memory for a key derivation within the limits
    }
    try {
        openArchive(file, password, archive, codePage, ui);
    } catch (const ContainerError& e) {
        if (fs::exists(archive))
            fuzz::failed("a file that did not open left its archive behind");
        // Past a good check only the chunks can fail; otherwise the opening fails as the check did.
        if (check == BackupFileCheck::Ok ? e.check != BackupFileCheck::Damaged : e.check != check)
            fuzz::failed("the check and the opening disagree: " + std::string(e.what()));
        return 0;
    }
    if (check != BackupFileCheck::Ok)
        fuzz::failed("a file opened whose check failed");
    if (fs::file_size(archive) != expectedArchiveSize(strong, rest.size()))
        fuzz::failed("an opened file's archive has the wrong length");
    if (readBytes(file) != rest)
        fuzz::failed("opening changed the backup file");
    return 0;
}

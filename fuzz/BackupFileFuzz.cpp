// BackupFileFuzz.cpp -- a backup file checked, opened, listed and extracted: nothing may land outside the
// extraction folder. The first byte chooses whether the rest is a backup file as it is, or a plain
// archive that is sealed first (so that the archive reader is reached past the password check).
#include "FuzzSupport.h"

#include "archive/ArchiveError.h"
#include "archive/ArchiveListing.h"
#include "archive/CGmodule.h"
#include "backupfile/BackupContainer.h"

#include <cstdint>
#include <set>

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Every entry below `out` is a plain file or folder; a link could point anywhere.
void checkOnlyFilesAndFolders(const fs::path& out) {
    for (auto it = fs::recursive_directory_iterator(out); it != fs::recursive_directory_iterator(); ++it) {
        const fs::file_status status = it->symlink_status();
        if (!fs::is_regular_file(status) && !fs::is_directory(status))
            fuzz::failed("extraction made something other than a file or folder: " + it->path().string());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CodePage codePage(1252);
    static const std::string password = "fuzz";
    if (size == 0)
        return 0;
    const fs::path dir = fuzz::freshFolder("backup");
    const fs::path work = dir / "work";
    const fs::path out = work / "out";
    fs::create_directories(out);
    const fs::path file = dir / "file.tsy";
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::NullUi ui;
    if (data[0] & 1) {
        const fs::path plain = dir / "plain.zip";
        fuzz::writeBytes(plain, rest);
        sealArchive(plain, file, password, Protection::Compatible, codePage, ui);
        fs::remove(plain);
    } else {
        fuzz::writeBytes(file, rest);
    }
    const std::set<std::string> before = namesIn(dir);

    if (checkContainer(file, password, codePage) != BackupFileCheck::Ok)
        return 0;
    const fs::path archive = work / "archive.zip";
    try {
        openArchive(file, password, archive, codePage, ui);
    } catch (const ContainerError&) {
        return 0;
    }
    try {
        ListArchive(archive.string());
        TestArchive(archive.string());
        UnzipToFolder(archive.string(), out.string());
    } catch (const ArchiveError&) {
    }
    if (namesIn(dir) != before)
        fuzz::failed("something was written beside the backup file");
    if (namesIn(work) != std::set<std::string>{"archive.zip", "out"})
        fuzz::failed("something was written beside the extraction folder");
    checkOnlyFilesAndFolders(out);
    return 0;
}

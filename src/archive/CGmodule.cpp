// CGmodule.cpp -- ZipOneFile and UnzipToFolder, the two calls the rest of the program makes.
#include "archive/CGmodule.h"

#include "archive/ArchiveError.h"
#include "archive/CGUnzipFiles.h"
#include "archive/CGZipFiles.h"
#include "archive/EngineMessages.h"
#include "archive/EntryName.h"

#include <filesystem>
#include <system_error>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

// A directory search without attribute bits: hidden files (dot files here) count as absent.
bool ordinaryFileExists(const std::string& path) {
    std::error_code ec;
    std::string name = bareName(path);
    return !name.empty() && name.front() != '.' && fs::is_regular_file(path, ec);
}

} // namespace

bool ZipOneFile(const std::string& archivePath, const std::string& filePath) {
    std::string file(upToNul(filePath));
    if (!ordinaryFileExists(file))
        return false;
    CGZipFiles zip;
    zip.setZipFileName(archivePath);
    zip.setUpdatingZip(false);
    zip.addFile(file);
    std::int32_t result = zip.MakeZipFile();
    if (result != 0) {
        std::string why = lastEngineError();
        throw ArchiveError(kErrZipEngine, "CGmodule::ZipOneFile", why.empty() ? "error" : "error: " + why,
                           result);
    }
    return true;
}

void UnzipToFolder(const std::string& archivePath, const std::string& folder,
                   const std::optional<ZipNameList>& eFiles, const std::optional<ZipNameList>& xFiles,
                   Ui* ui) {
    CGUnzipFiles unzip(ui);
    unzip.setOverWriteFiles(true);
    unzip.setPromptOverwrite(false);
    std::int32_t result = unzip.Unzip(archivePath, folder, eFiles, xFiles);
    if (result != UnzipResult::kOk) {
        std::string why = lastEngineError();
        throw ArchiveError(kErrUnzipEngine, "CGmodule::UnzipToFolder",
                           why.empty() ? "the unzip engine failed with code " + std::to_string(result) : why,
                           result);
    }
}

} // namespace tessaly

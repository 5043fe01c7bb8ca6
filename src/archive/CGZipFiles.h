// CGZipFiles.h -- a list of files and the options of one zip run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// The list starts with the placeholder "querty", which stays first and names no file; names are
// keys compared without regard to letter case. Boolean properties are kept as 1 or 0.
class CGZipFiles {
public:
    CGZipFiles();

    bool RecurseFolders() const { return recurseFolders_ == 1; }
    void setRecurseFolders(bool value) { recurseFolders_ = value ? 1 : 0; }
    const std::string& ZipFileName() const { return zipFileName_; }
    void setZipFileName(const std::string& value) { zipFileName_ = value; }
    // Kept for callers; archives are never encrypted by the zip format.
    bool Encrypted() const { return encrypted_ == 1; }
    void setEncrypted(bool value) { encrypted_ = value ? 1 : 0; }
    // Kept for callers; it does not reach the engine.
    bool IncludeSystemFiles() const { return includeSystemFiles_ == 1; }
    void setIncludeSystemFiles(bool value) { includeSystemFiles_ = value ? 1 : 0; }
    const std::string& RootDirectory() const { return rootDirectory_; }
    void setRootDirectory(const std::string& value) { rootDirectory_ = value; }
    bool UpdatingZip() const { return updatingZip_ == 1; }
    void setUpdatingZip(bool value) { updatingZip_ = value ? 1 : 0; }
    // Listed files, the placeholder not counted.
    std::int32_t ZipFileCount() const;

    // Raises ArchiveError kErrAlreadyListed when the name is listed already (in any letter case).
    void addFile(const std::string& sFileName);
    // Raises ArchiveError kErrNotListed when the name is not listed.
    void RemoveFile(const std::string& sFileName);
    // Runs the engine over the list (placeholder included) with junked folder names; returns the
    // engine's result, 0 for success. More than 100 entries raise ArchiveError kErrSubscript from
    // "CGZipFiles::MakeZipFile" carrying the result -99.
    std::int32_t MakeZipFile();
    std::string GetLastMessage() const;

    // The listed names in order, placeholder first.
    std::vector<std::string> names() const;

private:
    struct Item {
        std::string item;
        std::string key;
    };
    std::vector<Item>::iterator lookup(const std::string& key);

    std::int16_t recurseFolders_ = 0;
    std::string zipFileName_;
    std::int16_t encrypted_ = 0;
    std::int16_t includeSystemFiles_ = 0;
    std::string rootDirectory_ = "\\";
    std::int16_t updatingZip_ = 0;
    std::vector<Item> files_;
};

inline constexpr const char* kZipListPlaceholder = "querty";

} // namespace tessaly

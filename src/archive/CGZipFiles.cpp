// CGZipFiles.cpp -- the zip file list and MakeZipFile.
#include "archive/CGZipFiles.h"

#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/EngineMessages.h"
#include "archive/EntryName.h"

#include <algorithm>

namespace tessaly {

CGZipFiles::CGZipFiles() {
    files_.push_back({kZipListPlaceholder, kZipListPlaceholder});
}

std::int32_t CGZipFiles::ZipFileCount() const {
    return std::int32_t(files_.size()) - 1;
}

std::vector<CGZipFiles::Item>::iterator CGZipFiles::lookup(const std::string& key) {
    return std::find_if(files_.begin(), files_.end(),
                        [&](const Item& i) { return sameNameIgnoringCase(i.key, key); });
}

void CGZipFiles::addFile(const std::string& sFileName) {
    if (lookup(sFileName) != files_.end())
        throw ArchiveError(kErrAlreadyListed, "CGZip::AddFile", "File is already in Zip List");
    files_.push_back({sFileName, sFileName});
}

void CGZipFiles::RemoveFile(const std::string& sFileName) {
    auto it = lookup(sFileName);
    if (it == files_.end())
        throw ArchiveError(kErrNotListed, "CGZip::RemoveFile", "File is not in Zip List");
    files_.erase(it);
}

std::vector<std::string> CGZipFiles::names() const {
    std::vector<std::string> out;
    for (const auto& f : files_)
        out.push_back(f.item);
    return out;
}

std::int32_t CGZipFiles::MakeZipFile() {
    if (files_.size() > kZipNameSlots)
        throw ArchiveError(kErrSubscript, "CGZipFiles::MakeZipFile", "Subscript out of range", -99);
    ZipNameList list = names();
    ZipOptions options;
    options.junk = 1;
    options.recurse = recurseFolders_;
    options.update = updatingZip_;
    options.root = rootDirectory_;
    std::transform(options.root.begin(), options.root.end(), options.root.begin(),
                   [](unsigned char c) { return char(c >= 'a' && c <= 'z' ? c - 32 : c); });
    return VBZip(std::int16_t(list.size()), zipFileName_, list, options);
}

std::string CGZipFiles::GetLastMessage() const {
    return engineMessages();
}

} // namespace tessaly

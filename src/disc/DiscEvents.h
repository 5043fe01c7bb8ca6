// DiscEvents.h -- the events of the disc-writing control, received by every window that holds it.
#pragma once

#include <ctime>
#include <string>

namespace tessaly {

// Image paths are "\" for the root and "\Folder\Name" below it. Sizes are bytes, block counts
// 2048-byte blocks. Every method has an empty default so that a listener overrides what it uses.
class DiscEvents {
public:
    virtual ~DiscEvents() = default;

    // Image
    virtual void ItemAdded(const std::string& /*parentPath*/, const std::string& /*path*/,
                           const std::string& /*name*/, const std::string& /*source*/, bool /*isFolder*/) {}
    virtual void ItemListed(const std::string& /*parentPath*/, const std::string& /*path*/,
                            const std::string& /*name*/, const std::string& /*source*/, bool /*isFolder*/,
                            std::time_t /*modified*/, long long /*size*/) {}
    virtual void FolderRemoved(const std::string& /*path*/, const std::string& /*text*/, bool /*ok*/) {}
    virtual void FolderRenamed(const std::string& /*oldPath*/, const std::string& /*newPath*/, bool /*ok*/) {}
    virtual void ImageCleared() {}
    // An item being added would replace a file imported from the disc's last session; setting
    // replace to true lets the new file take its place.
    virtual void ReplaceImported(const std::string& /*importedFile*/, const std::string& /*newFile*/,
                                 const std::string& /*text*/, bool& /*replace*/) {}

    // Writing
    virtual void WritePreparing() {}
    virtual void CreatingFolders() {}
    virtual void CachingProgress(int /*percent*/) {}
    virtual void WriteProgress(int /*track*/, long long /*doneBlocks*/, long long /*totalBlocks*/) {}
    virtual void ClosingTrack() {}
    virtual void ClosingSession() {}
    virtual void ClosingDisc() {}
    virtual void ReadProgress(const std::string& /*text*/, long long /*count*/, int /*track*/) {}
    // Ends a write or a close that succeeded.
    virtual void WriteDone() {}
    virtual void WriteCancelled() {}
    virtual void EraseStarted() {}
    virtual void EraseDone() {}

    // Verify, after WriteDone when AutoVerify is set
    virtual void VerifyStarted(int /*files*/) {}
    virtual void VerifyFile(const std::string& /*discFile*/, const std::string& /*sourceFile*/,
                            int /*result*/, int /*index*/, int /*total*/) {}
    virtual void VerifyDone(int /*files*/, int /*matched*/) {}

    // Errors. DriveError ends the job it belongs to.
    virtual void DriveError(int /*kind*/, int /*code*/, const std::string& /*text*/,
                            const std::string& /*senseData*/) {}
    virtual void FileError(int /*code*/, const std::string& /*fileName*/) {}
};

} // namespace tessaly

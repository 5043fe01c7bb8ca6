// BurnDiscWriter.h -- the disc-writing control over libburn, libisofs and libisoburn.
#pragma once

#include "DiscWriter.h"

#include <memory>

namespace tessaly {

class BurnWriterCore;
class DiscWorker;

// Real optical drives found by libburn's scan, then the pseudo-drives of TESSALY_EXTRA_DRIVES,
// which write a disc image to a file and count as writers of an overwritable DVD (MediaType 1,
// features 10 and 36). One worker thread makes every library call; see DiscWriter for where
// events are delivered. Nothing is printed to stderr.
class BurnDiscWriter final : public DiscWriter {
public:
    explicit BurnDiscWriter(EventPoster poster);
    ~BurnDiscWriter() override;

    bool InitDrives(bool bSkipScan) override;
    int DriveCount() override;
    bool IsWriter(int drive) override;
    std::string DriveId(int drive) override;
    std::string DriveVendor(int drive) override;
    std::string DriveModel(int drive) override;
    bool SelectDrive(int drive) override;
    int MediaType() override;
    int MaxWriteSpeed() override;
    // On a pseudo-drive the speed limits how fast data reaches the file.
    bool SetWriteSpeed(int kbPerSecond) override;
    bool HasFeature(int code) override;
    bool EjectTray(bool bClose) override;

    void ClearImage() override;
    bool AddFile(const std::string& imagePath, const std::string& sourceFile) override;
    bool AddFolder(const std::string& imagePath, const std::string& sourceFolder) override;
    bool RemoveItem(const std::string& imagePath) override;
    bool RenameFile(const std::string& imagePath, const std::string& newName) override;
    bool RenameFolder(const std::string& imagePath, const std::string& newName) override;
    bool ListFolder(const std::string& imagePath) override;
    long long ImageBlocks() override;
    int ImageFileCount() override;
    int ImageFolderCount() override;

    bool StartWrite() override;
    bool WriteISO(const std::string& isoFile) override;
    bool CloseMedia(bool bWholeDisc) override;
    bool EraseMedia(bool bQuick) override;
    bool SaveISO(const std::string& isoFile) override;
    bool ImportSession(bool bAskReplace) override;
    void AbortWrite() override;
    bool IsBusy() override;

    int DiscStatus() override;
    int SessionCount() override;
    int LastSessionStatus() override;
    int DiscType() override;
    long long FreeBlocks() override;
    long long UsedBlocks() override;
    long long TotalBlocks() override;
    bool MultiSessionAllowed() override;
    bool ImportAllowed() override;
    bool HasFileSystem(int flag) override;

private:
    std::unique_ptr<DiscWorker> worker_;
    std::unique_ptr<BurnWriterCore> core_;
};

} // namespace tessaly

// BurnWriterCore.h -- the state and work of the libburn control; every method runs on the DiscWorker.
#pragma once

#include "BurnLibrary.h"
#include "BurnLibs.h"
#include "DiscWorker.h"
#include "DiscWriter.h"
#include "ExtraDrives.h"
#include "IsoTree.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tessaly {

struct DiscFacts {
    int discStatus = kDiscUnknown;
    int sessionCount = 0;
    int lastSessionStatus = kSessionUnknown;
    int discType = kDiscTypeUnknown;
    long long freeBlocks = 0;
    long long usedBlocks = 0;
    long long totalBlocks = 0;
    bool multiSessionAllowed = false;
    bool importAllowed = false;
    int fileSystems = 0;
};

class BurnWriterCore {
public:
    BurnWriterCore(DiscWorker& worker, std::shared_ptr<DiscListenerHub> hub, EventPoster poster);
    ~BurnWriterCore();
    // Starts the libraries and makes the empty image; false when the libraries cannot start.
    bool start();
    bool ready() const { return libraryReady_; }
    // Releases the drive, drops the image and ends the libraries for this control.
    void shutdown();

    // Drives (BurnWriterDrives.cpp)
    bool initDrives(bool skipScan);
    int driveCount() const { return static_cast<int>(drives_.size()); }
    bool isWriter(int drive) const;
    std::string driveId(int drive) const;
    std::string driveVendor(int drive) const;
    std::string driveModel(int drive) const;
    bool selectDrive(int drive);
    int mediaType();
    int maxWriteSpeed();
    bool setWriteSpeed(int kbPerSecond);
    bool hasFeature(int code);
    bool ejectTray(bool close);

    // Image (BurnWriterImage.cpp)
    void clearImage();
    bool addFile(const std::string& path, const std::string& source);
    bool addFolder(const std::string& path, const std::string& source);
    bool removeItem(const std::string& path);
    bool renameItem(const std::string& path, const std::string& newName, bool folder);
    bool listFolder(const std::string& path);
    long long imageBlocks(const DiscSettings& settings);
    int imageFileCount() const { return tree_->fileCount(); }
    int imageFolderCount() const { return tree_->folderCount(); }
    bool importSession(bool askEach, std::string& volumeLabel);
    bool saveIso(const std::string& file, const DiscSettings& settings);

    // Jobs (BurnWriterJobs.cpp); they start on the worker and report through the poster.
    bool startWrite(const DiscSettings& settings);
    bool writeIso(const std::string& file, const DiscSettings& settings);
    bool closeMedia(bool wholeDisc);
    bool eraseMedia(bool quick);
    // Any thread.
    void abortWrite();
    bool busy() const { return busy_; }

    // Disc facts (BurnWriterFacts.cpp)
    const DiscFacts& facts();

private:
    struct DriveEntry {
        std::string address;
        std::string vendor;
        std::string model;
        bool writer = false;
        bool pseudo = false;
        long long capacityBlocks = 0;
        std::vector<int> profiles;
    };
    struct Progress;

    void emit(const std::function<void(DiscEvents&)>& event);
    IsoTree::AddHooks addHooks();
    bool askReplace(const std::string& importedPath, const std::string& newSource, const std::string& text);
    // Ends a job: the control is free again before its last event reaches anyone.
    void finishJob(const std::function<void(DiscEvents&)>& lastEvent);
    void failJob(int kind, int code, const std::string& text, const std::string& sense);
    void invalidate();

    const DriveEntry* selectedEntry() const;
    bool acquire(bool load);
    bool ensureIsoburnDrive();
    void releaseDrive(bool eject);
    bool reassess();
    void dropImported();
    long long availableBlocks(bool fromStart);
    bool isEmulated();

    bool startJob(std::function<void()> job);
    void runWriteImage(DiscSettings settings);
    void runWriteIso(std::string file, DiscSettings settings);
    void runClose(bool wholeDisc);
    void runErase(bool quick);
    void startDriveOperation(const std::function<void()>& start, std::vector<BurnMessage>& messages);
    // Polls a running write until the drive is idle, reporting progress; returns wrote-well.
    bool pollWrite(bool finalize, Progress& progress, std::vector<BurnMessage>& messages);
    burn::burn_write_opts* newWriteOpts(const DiscSettings& settings, bool simulate, bool emulated,
                                        off_t startByte, bool pseudo);
    bool runDiscWrite(burn::burn_write_opts* opts, burn::burn_disc* disc, bool finalize, Progress& progress,
                      std::vector<BurnMessage>& messages);
    void completeWriteEvents(const Progress& progress, bool finalize, long long blocks);
    void emitClosing(bool wholeDisc);
    void failNoWriteMode(const char* reasons);
    void failIsoUnopened(const std::string& file);
    void verifyImage(const std::vector<IsoTree::LocalFile>& files);
    void verifyIso(const std::string& file, long long blocks);
    DiscFacts computeFacts();

    DiscWorker& worker_;
    std::shared_ptr<DiscListenerHub> hub_;
    EventPoster poster_;

    bool libraryReady_ = false;
    std::vector<DriveEntry> drives_;
    int selected_ = -1;
    burn::burn_drive_info* driveInfo_ = nullptr;
    burn::burn_drive* drive_ = nullptr;
    bool isoburnHeld_ = false;
    int writeSpeed_ = 0;
    int lastMediaType_ = kMediaNotLoaded;

    std::unique_ptr<IsoTree> tree_;
    long long cachedBlocks_ = -1;
    std::string cachedBlocksKey_;
    bool factsValid_ = false;
    DiscFacts facts_;

    std::atomic<bool> busy_{false};
    std::atomic<bool> abort_{false};
    std::mutex cancelMutex_;
    burn::burn_drive* writingDrive_ = nullptr;
};

} // namespace tessaly

// DiscWriter.h -- the disc-writing control: drives, the data image, write jobs and disc facts.
#pragma once

#include "DiscCodes.h"
#include "DiscEvents.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tessaly {

// Hands a piece of work to the thread that owns the windows. The Qt windows map it onto their event
// loop, the command line and the tests onto a queue they drain (EventQueue). It may be called from
// any thread.
using EventPoster = std::function<void(std::function<void()>)>;

// The listeners of one control. Delivery happens on the thread that calls dispatch(); a listener
// removed while an event is being delivered is not called any more.
class DiscListenerHub {
public:
    void add(DiscEvents* listener);
    void remove(DiscEvents* listener);
    void dispatch(const std::function<void(DiscEvents&)>& event);

private:
    std::mutex mutex_;
    std::vector<DiscEvents*> listeners_;
};

// The write settings a job takes when it starts.
struct DiscSettings {
    std::string volumeLabel = "New Disc";
    int joliet = 1;
    bool autoVerify = false;
    bool finalizeDisc = false;
    bool writeFlag = true;
    bool cacheImage = false;
    bool testWrite = false;
    bool dvdHighCompatibility = false;
    bool bufferProtection = true;
    int trackMode = kTrackMode1;
};

// The control's interface. Calls that report "ok" return true on success. Events raised while a
// call runs (ItemAdded, ItemListed, FolderRemoved, FolderRenamed, ImageCleared, ReplaceImported,
// ReadProgress of an import, FileError of an add or of SaveISO) are delivered on the calling thread
// before the call returns. The events of jobs started by StartWrite, WriteISO, CloseMedia and
// EraseMedia are delivered later through the control's EventPoster, in the order the writing
// window expects: WritePreparing, CreatingFolders, [CachingProgress...], WriteProgress...,
// ClosingTrack, ClosingSession or ClosingDisc, then WriteDone, WriteCancelled or DriveError
// ([FileError first when a source file failed]); after WriteDone with AutoVerify: VerifyStarted,
// VerifyFile per file, VerifyDone. Erase: EraseStarted, then EraseDone or DriveError.
class DiscWriter {
public:
    DiscWriter();
    virtual ~DiscWriter();
    DiscWriter(const DiscWriter&) = delete;
    DiscWriter& operator=(const DiscWriter&) = delete;

    void addListener(DiscEvents* listener) { hub_->add(listener); }
    void removeListener(DiscEvents* listener) { hub_->remove(listener); }

    // Drives. InitDrives (bSkipScan): true lists only the pseudo-drives of TESSALY_EXTRA_DRIVES
    // and scans no bus; the windows pass false.
    virtual bool InitDrives(bool bSkipScan) = 0;
    virtual int DriveCount() = 0;
    virtual bool IsWriter(int drive) = 0;
    virtual std::string DriveId(int drive) = 0;
    virtual std::string DriveVendor(int drive) = 0;
    virtual std::string DriveModel(int drive) = 0;
    virtual bool SelectDrive(int drive) = 0;
    virtual int MediaType() = 0;
    // KB/s, 1000 bytes to the KB; 0 when the drive reports no speed.
    virtual int MaxWriteSpeed() = 0;
    virtual bool SetWriteSpeed(int kbPerSecond) = 0;
    virtual bool HasFeature(int code) = 0;
    // False opens the tray, true closes it.
    virtual bool EjectTray(bool bClose) = 0;

    // Image
    virtual void ClearImage() = 0;
    virtual bool AddFile(const std::string& imagePath, const std::string& sourceFile) = 0;
    // sourceFolder may end in "\*.*" or "/*.*"; the whole tree below it is added.
    virtual bool AddFolder(const std::string& imagePath, const std::string& sourceFolder) = 0;
    virtual bool RemoveItem(const std::string& imagePath) = 0;
    virtual bool RenameFile(const std::string& imagePath, const std::string& newName) = 0;
    virtual bool RenameFolder(const std::string& imagePath, const std::string& newName) = 0;
    virtual bool ListFolder(const std::string& imagePath) = 0;
    virtual long long ImageBlocks() = 0;
    virtual int ImageFileCount() = 0;
    virtual int ImageFolderCount() = 0;
    // Every block the control counts holds 2048 bytes, whatever the format argument.
    double BlocksToBytes(long long blocks, int format) const;

    // Settings
    virtual std::string VolumeLabel();
    virtual void SetVolumeLabel(const std::string& label);
    virtual int Joliet();
    virtual void SetJoliet(int on);
    virtual int IsoLevel();
    virtual bool AutoVerify();
    virtual void SetAutoVerify(bool on);
    virtual bool FinalizeDisc();
    virtual void SetFinalizeDisc(bool on);
    // WriteFlag false turns every write into a simulation that leaves the medium unchanged.
    virtual bool WriteFlag();
    virtual void SetWriteFlag(bool on);
    virtual bool CacheImage();
    virtual void SetCacheImage(bool on);
    virtual bool TestWrite();
    virtual void SetTestWrite(bool on);
    virtual bool DvdHighCompatibility();
    virtual void SetDvdHighCompatibility(bool on);
    virtual int TrackMode();
    // Mode 2 XA cannot be written (see kTrackMode2XaUnsupported): false, and the mode stays 1.
    virtual bool SetTrackMode(int mode);
    virtual void SetBufferProtection(bool on);
    DiscSettings settings();

    // Work. The first four return whether the job started and report by events.
    virtual bool StartWrite() = 0;
    virtual bool WriteISO(const std::string& isoFile) = 0;
    virtual bool CloseMedia(bool bWholeDisc) = 0;
    virtual bool EraseMedia(bool bQuick) = 0;
    virtual bool SaveISO(const std::string& isoFile) = 0;
    // bAskReplace: true raises ReplaceImported for every item of the image that meets a file of the
    // session; false keeps the image's items without asking.
    virtual bool ImportSession(bool bAskReplace) = 0;
    virtual void AbortWrite() = 0;
    virtual bool IsBusy() = 0;

    // Disc facts
    virtual int DiscStatus() = 0;
    virtual int SessionCount() = 0;
    virtual int LastSessionStatus() = 0;
    virtual int DiscType() = 0;
    virtual long long FreeBlocks() = 0;
    virtual long long UsedBlocks() = 0;
    virtual long long TotalBlocks() = 0;
    virtual bool MultiSessionAllowed() = 0;
    virtual bool ImportAllowed() = 0;
    virtual bool HasFileSystem(int flag) = 0;

protected:
    const std::shared_ptr<DiscListenerHub>& hub() const { return hub_; }

private:
    std::shared_ptr<DiscListenerHub> hub_;
    std::mutex settingsMutex_;
    DiscSettings settings_;
};

// What the control says when Mode 2 XA is chosen.
inline constexpr const char* kTrackMode2XaUnsupported =
    "Mode2XA tracks cannot be written here: data discs are written in Mode 1.";

// The ISO 9660 level of the images this control writes: names up to 31 characters in the ISO 9660
// tree, files of 4 GB and more.
inline constexpr int kWrittenIsoLevel = 3;

} // namespace tessaly

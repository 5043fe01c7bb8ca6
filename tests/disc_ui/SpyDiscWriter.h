// SpyDiscWriter.h -- a real disc-writing control wrapped so that tests can count the calls made to it.
#pragma once

#include "DiscTestKit.h"

#include "disc/DiscWriter.h"

#include <algorithm>

#include <string>
#include <vector>

namespace tessaly::test {

// Forwards every call to `inner` and every event of `inner` to its own listeners, and records the
// calls a window's reactions are judged by ("EjectTray|0", "SetWriteSpeed|...", "StartWrite").
class SpyDiscWriter : public DiscWriter, private EventTap {
public:
    explicit SpyDiscWriter(DiscWriter& inner) : inner_(inner) { inner_.addListener(this); }
    ~SpyDiscWriter() override { inner_.removeListener(this); }

    std::vector<std::string> calls;
    int count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

    bool InitDrives(bool bSkipScan) override { return inner_.InitDrives(bSkipScan); }
    int DriveCount() override { return inner_.DriveCount(); }
    bool IsWriter(int drive) override { return inner_.IsWriter(drive); }
    std::string DriveId(int drive) override { return inner_.DriveId(drive); }
    std::string DriveVendor(int drive) override { return inner_.DriveVendor(drive); }
    std::string DriveModel(int drive) override { return inner_.DriveModel(drive); }
    bool SelectDrive(int drive) override { return inner_.SelectDrive(drive); }
    int MediaType() override { return inner_.MediaType(); }
    int MaxWriteSpeed() override { return inner_.MaxWriteSpeed(); }
    bool SetWriteSpeed(int kbPerSecond) override {
        calls.push_back("SetWriteSpeed|" + std::to_string(kbPerSecond));
        return inner_.SetWriteSpeed(kbPerSecond);
    }
    bool HasFeature(int code) override { return inner_.HasFeature(code); }
    bool EjectTray(bool bClose) override {
        calls.push_back(std::string("EjectTray|") + (bClose ? "1" : "0"));
        return inner_.EjectTray(bClose);
    }

    void ClearImage() override { inner_.ClearImage(); }
    bool AddFile(const std::string& p, const std::string& s) override { return inner_.AddFile(p, s); }
    bool AddFolder(const std::string& p, const std::string& s) override { return inner_.AddFolder(p, s); }
    bool RemoveItem(const std::string& p) override { return inner_.RemoveItem(p); }
    bool RenameFile(const std::string& p, const std::string& n) override { return inner_.RenameFile(p, n); }
    bool RenameFolder(const std::string& p, const std::string& n) override {
        return inner_.RenameFolder(p, n);
    }
    bool ListFolder(const std::string& p) override { return inner_.ListFolder(p); }
    long long ImageBlocks() override { return inner_.ImageBlocks(); }
    int ImageFileCount() override { return inner_.ImageFileCount(); }
    int ImageFolderCount() override { return inner_.ImageFolderCount(); }

    std::string VolumeLabel() override { return inner_.VolumeLabel(); }
    void SetVolumeLabel(const std::string& label) override { inner_.SetVolumeLabel(label); }
    int Joliet() override { return inner_.Joliet(); }
    void SetJoliet(int on) override { inner_.SetJoliet(on); }
    int IsoLevel() override { return inner_.IsoLevel(); }
    bool AutoVerify() override { return inner_.AutoVerify(); }
    void SetAutoVerify(bool on) override { inner_.SetAutoVerify(on); }
    bool FinalizeDisc() override { return inner_.FinalizeDisc(); }
    void SetFinalizeDisc(bool on) override { inner_.SetFinalizeDisc(on); }
    bool WriteFlag() override { return inner_.WriteFlag(); }
    void SetWriteFlag(bool on) override { inner_.SetWriteFlag(on); }
    bool CacheImage() override { return inner_.CacheImage(); }
    void SetCacheImage(bool on) override { inner_.SetCacheImage(on); }
    bool TestWrite() override { return inner_.TestWrite(); }
    void SetTestWrite(bool on) override { inner_.SetTestWrite(on); }
    bool DvdHighCompatibility() override { return inner_.DvdHighCompatibility(); }
    void SetDvdHighCompatibility(bool on) override { inner_.SetDvdHighCompatibility(on); }
    int TrackMode() override { return inner_.TrackMode(); }
    bool SetTrackMode(int mode) override { return inner_.SetTrackMode(mode); }
    void SetBufferProtection(bool on) override { inner_.SetBufferProtection(on); }

    bool StartWrite() override {
        calls.push_back("StartWrite");
        return inner_.StartWrite();
    }
    bool WriteISO(const std::string& isoFile) override {
        calls.push_back("WriteISO");
        return inner_.WriteISO(isoFile);
    }
    bool CloseMedia(bool bWholeDisc) override { return inner_.CloseMedia(bWholeDisc); }
    bool EraseMedia(bool bQuick) override { return inner_.EraseMedia(bQuick); }
    bool SaveISO(const std::string& isoFile) override { return inner_.SaveISO(isoFile); }
    bool ImportSession(bool bAskReplace) override { return inner_.ImportSession(bAskReplace); }
    void AbortWrite() override { inner_.AbortWrite(); }
    bool IsBusy() override { return inner_.IsBusy(); }

    int DiscStatus() override { return inner_.DiscStatus(); }
    int SessionCount() override { return inner_.SessionCount(); }
    int LastSessionStatus() override { return inner_.LastSessionStatus(); }
    int DiscType() override { return inner_.DiscType(); }
    long long FreeBlocks() override { return inner_.FreeBlocks(); }
    long long UsedBlocks() override { return inner_.UsedBlocks(); }
    long long TotalBlocks() override { return inner_.TotalBlocks(); }
    bool MultiSessionAllowed() override { return inner_.MultiSessionAllowed(); }
    bool ImportAllowed() override { return inner_.ImportAllowed(); }
    bool HasFileSystem(int flag) override { return inner_.HasFileSystem(flag); }

private:
    void tapped(const std::string&, const Replay& replay) override { hub()->dispatch(replay); }

    DiscWriter& inner_;
};

} // namespace tessaly::test

// FakeDiscWriter.h -- a disc-writing control with scripted drives, media and results, for the window tests.
#pragma once

#include "disc/DiscWriter.h"

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tessaly::test {

// Answers from its fields and records the calls the window's reactions are judged by
// ("SetWriteSpeed|7056", "EjectTray|0", "StartWrite", ...). Events are raised by the test through fire().
class FakeDiscWriter : public DiscWriter {
public:
    bool initOk = true;
    std::vector<bool> writers = {true}; // one entry per drive: is it a writer?
    bool selectOk = true;
    int mediaType = kMediaCdRw;
    int maxWriteSpeed = 0;
    std::set<int> features;
    bool jobsStart = true; // StartWrite, WriteISO, CloseMedia, EraseMedia
    bool saveOk = true;
    bool importOk = true;

    int discStatus = kDiscEmpty;
    int sessionCount = 0;
    int lastSessionStatus = kSessionEmpty;
    int discType = kDiscTypeUnknown;
    long long freeBlocks = 0, usedBlocks = 0, totalBlocks = 0;
    bool multiSession = false, importAllowed = false;
    int fileSystems = 0;

    std::vector<std::string> calls;
    int count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
    void fire(const std::function<void(DiscEvents&)>& event) { hub()->dispatch(event); }

    bool InitDrives(bool) override { return initOk; }
    int DriveCount() override { return static_cast<int>(writers.size()); }
    bool IsWriter(int drive) override {
        return drive >= 0 && drive < DriveCount() && writers[static_cast<std::size_t>(drive)];
    }
    std::string DriveId(int drive) override { return "1," + std::to_string(drive) + ",0"; }
    std::string DriveVendor(int) override { return "PLEXTOR"; }
    std::string DriveModel(int) override { return "DVDR PX-716A"; }
    bool SelectDrive(int drive) override { return log("SelectDrive|" + std::to_string(drive), selectOk); }
    int MediaType() override { return mediaType; }
    int MaxWriteSpeed() override { return maxWriteSpeed; }
    bool SetWriteSpeed(int kbPerSecond) override {
        return log("SetWriteSpeed|" + std::to_string(kbPerSecond));
    }
    bool HasFeature(int code) override { return features.count(code) > 0; }
    bool EjectTray(bool bClose) override { return log(std::string("EjectTray|") + (bClose ? "1" : "0")); }

    void ClearImage() override {
        fire([](DiscEvents& e) { e.ImageCleared(); });
    }
    bool AddFile(const std::string&, const std::string&) override { return true; }
    bool AddFolder(const std::string&, const std::string&) override { return true; }
    bool RemoveItem(const std::string&) override { return true; }
    bool RenameFile(const std::string&, const std::string&) override { return true; }
    bool RenameFolder(const std::string&, const std::string&) override { return true; }
    bool ListFolder(const std::string&) override { return true; }
    long long ImageBlocks() override { return 0; }
    int ImageFileCount() override { return 0; }
    int ImageFolderCount() override { return 0; }
    bool SetTrackMode(int mode) override {
        log("SetTrackMode|" + std::to_string(mode));
        return DiscWriter::SetTrackMode(mode);
    }

    bool StartWrite() override { return log("StartWrite", jobsStart); }
    bool WriteISO(const std::string& isoFile) override { return log("WriteISO|" + isoFile, jobsStart); }
    bool CloseMedia(bool bWholeDisc) override {
        return log(std::string("CloseMedia|") + (bWholeDisc ? "1" : "0"), jobsStart);
    }
    bool EraseMedia(bool bQuick) override {
        return log(std::string("EraseMedia|") + (bQuick ? "1" : "0"), jobsStart);
    }
    bool SaveISO(const std::string& isoFile) override { return log("SaveISO|" + isoFile, saveOk); }
    bool ImportSession(bool bAskReplace) override {
        return log(std::string("ImportSession|") + (bAskReplace ? "1" : "0"), importOk);
    }
    void AbortWrite() override {}
    bool IsBusy() override { return false; }

    int DiscStatus() override { return discStatus; }
    int SessionCount() override { return sessionCount; }
    int LastSessionStatus() override { return lastSessionStatus; }
    int DiscType() override { return discType; }
    long long FreeBlocks() override { return freeBlocks; }
    long long UsedBlocks() override { return usedBlocks; }
    long long TotalBlocks() override { return totalBlocks; }
    bool MultiSessionAllowed() override { return multiSession; }
    bool ImportAllowed() override { return importAllowed; }
    bool HasFileSystem(int flag) override { return (fileSystems & flag) != 0; }

private:
    bool log(const std::string& call, bool result = true) {
        calls.push_back(call);
        return result;
    }
};

} // namespace tessaly::test

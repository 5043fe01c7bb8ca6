// FakeDiscWriter.cpp -- a disc-writing control with scripted drives, media and results.
#include "FakeDiscWriter.h"

#include <algorithm>

namespace tessaly::test {

int FakeDiscWriter::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

bool FakeDiscWriter::IsWriter(int drive) {
    return drive >= 0 && drive < DriveCount() && writers[static_cast<std::size_t>(drive)];
}

bool FakeDiscWriter::SelectDrive(int drive) {
    calls.push_back("SelectDrive|" + std::to_string(drive));
    return selectOk;
}

bool FakeDiscWriter::SetWriteSpeed(int kbPerSecond) {
    calls.push_back("SetWriteSpeed|" + std::to_string(kbPerSecond));
    return true;
}

bool FakeDiscWriter::EjectTray(bool bClose) {
    calls.push_back(std::string("EjectTray|") + (bClose ? "1" : "0"));
    return true;
}

void FakeDiscWriter::ClearImage() {
    calls.push_back("ClearImage");
    fire([](DiscEvents& e) { e.ImageCleared(); });
}

bool FakeDiscWriter::AddFile(const std::string& imagePath, const std::string& sourceFile) {
    calls.push_back("AddFile|" + imagePath + "|" + sourceFile);
    return true;
}

bool FakeDiscWriter::AddFolder(const std::string& imagePath, const std::string& sourceFolder) {
    calls.push_back("AddFolder|" + imagePath + "|" + sourceFolder);
    return true;
}

bool FakeDiscWriter::RemoveItem(const std::string& imagePath) {
    calls.push_back("RemoveItem|" + imagePath);
    return true;
}

bool FakeDiscWriter::RenameFile(const std::string& imagePath, const std::string& newName) {
    calls.push_back("RenameFile|" + imagePath + "|" + newName);
    return true;
}

bool FakeDiscWriter::RenameFolder(const std::string& imagePath, const std::string& newName) {
    calls.push_back("RenameFolder|" + imagePath + "|" + newName);
    return true;
}

bool FakeDiscWriter::SetTrackMode(int mode) {
    calls.push_back("SetTrackMode|" + std::to_string(mode));
    return DiscWriter::SetTrackMode(mode);
}

bool FakeDiscWriter::StartWrite() {
    calls.push_back("StartWrite");
    return jobsStart;
}

bool FakeDiscWriter::WriteISO(const std::string& isoFile) {
    calls.push_back("WriteISO|" + isoFile);
    return jobsStart;
}

bool FakeDiscWriter::CloseMedia(bool bWholeDisc) {
    calls.push_back(std::string("CloseMedia|") + (bWholeDisc ? "1" : "0"));
    return jobsStart;
}

bool FakeDiscWriter::EraseMedia(bool bQuick) {
    calls.push_back(std::string("EraseMedia|") + (bQuick ? "1" : "0"));
    return jobsStart;
}

bool FakeDiscWriter::SaveISO(const std::string& isoFile) {
    calls.push_back("SaveISO|" + isoFile);
    return saveOk;
}

bool FakeDiscWriter::ImportSession(bool bAskReplace) {
    calls.push_back(std::string("ImportSession|") + (bAskReplace ? "1" : "0"));
    return importOk;
}

} // namespace tessaly::test

// BurnDiscWriter.cpp -- the control's calls, each handed to the library thread.
#include "BurnDiscWriter.h"

#include "BurnWriterCore.h"
#include "DiscWorker.h"

#include <chrono>
#include <thread>

namespace tessaly {

BurnDiscWriter::BurnDiscWriter(EventPoster poster)
    : worker_(std::make_unique<DiscWorker>()),
      core_(std::make_unique<BurnWriterCore>(*worker_, hub(), std::move(poster))) {
    worker_->call([&] { core_->start(); });
}

BurnDiscWriter::~BurnDiscWriter() {
    core_->abortWrite();
    while (core_->busy())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    worker_->call([&] { core_->shutdown(); });
    worker_.reset();
    core_.reset();
}

bool BurnDiscWriter::InitDrives(bool bSkipScan) {
    return worker_->call([&] { return core_->ready() && core_->initDrives(bSkipScan); });
}
int BurnDiscWriter::DriveCount() {
    return worker_->call([&] { return core_->driveCount(); });
}
bool BurnDiscWriter::IsWriter(int drive) {
    return worker_->call([&] { return core_->isWriter(drive); });
}
std::string BurnDiscWriter::DriveId(int drive) {
    return worker_->call([&] { return core_->driveId(drive); });
}
std::string BurnDiscWriter::DriveVendor(int drive) {
    return worker_->call([&] { return core_->driveVendor(drive); });
}
std::string BurnDiscWriter::DriveModel(int drive) {
    return worker_->call([&] { return core_->driveModel(drive); });
}
bool BurnDiscWriter::SelectDrive(int drive) {
    return worker_->call([&] { return core_->selectDrive(drive); });
}
int BurnDiscWriter::MediaType() {
    return worker_->call([&] { return core_->mediaType(); });
}
int BurnDiscWriter::MaxWriteSpeed() {
    return worker_->call([&] { return core_->maxWriteSpeed(); });
}
bool BurnDiscWriter::SetWriteSpeed(int kbPerSecond) {
    return worker_->call([&] { return core_->setWriteSpeed(kbPerSecond); });
}
bool BurnDiscWriter::HasFeature(int code) {
    return worker_->call([&] { return core_->hasFeature(code); });
}
bool BurnDiscWriter::EjectTray(bool bClose) {
    return worker_->call([&] { return core_->ejectTray(bClose); });
}

void BurnDiscWriter::ClearImage() {
    worker_->call([&] { core_->clearImage(); });
}
bool BurnDiscWriter::AddFile(const std::string& imagePath, const std::string& sourceFile) {
    return worker_->call([&] { return core_->addFile(imagePath, sourceFile); });
}
bool BurnDiscWriter::AddFolder(const std::string& imagePath, const std::string& sourceFolder) {
    return worker_->call([&] { return core_->addFolder(imagePath, sourceFolder); });
}
bool BurnDiscWriter::RemoveItem(const std::string& imagePath) {
    return worker_->call([&] { return core_->removeItem(imagePath); });
}
bool BurnDiscWriter::RenameFile(const std::string& imagePath, const std::string& newName) {
    return worker_->call([&] { return core_->renameItem(imagePath, newName, false); });
}
bool BurnDiscWriter::RenameFolder(const std::string& imagePath, const std::string& newName) {
    return worker_->call([&] { return core_->renameItem(imagePath, newName, true); });
}
bool BurnDiscWriter::ListFolder(const std::string& imagePath) {
    return worker_->call([&] { return core_->listFolder(imagePath); });
}
long long BurnDiscWriter::ImageBlocks() {
    const DiscSettings current = settings();
    return worker_->call([&] { return core_->imageBlocks(current); });
}
int BurnDiscWriter::ImageFileCount() {
    return worker_->call([&] { return core_->ready() ? core_->imageFileCount() : 0; });
}
int BurnDiscWriter::ImageFolderCount() {
    return worker_->call([&] { return core_->ready() ? core_->imageFolderCount() : 0; });
}

bool BurnDiscWriter::StartWrite() {
    const DiscSettings current = settings();
    return worker_->call([&] { return core_->startWrite(current); });
}
bool BurnDiscWriter::WriteISO(const std::string& isoFile) {
    const DiscSettings current = settings();
    return worker_->call([&] { return core_->writeIso(isoFile, current); });
}
bool BurnDiscWriter::CloseMedia(bool bWholeDisc) {
    return worker_->call([&] { return core_->closeMedia(bWholeDisc); });
}
bool BurnDiscWriter::EraseMedia(bool bQuick) {
    return worker_->call([&] { return core_->eraseMedia(bQuick); });
}
bool BurnDiscWriter::SaveISO(const std::string& isoFile) {
    const DiscSettings current = settings();
    return worker_->call([&] { return core_->saveIso(isoFile, current); });
}
bool BurnDiscWriter::ImportSession(bool bAskReplace) {
    std::string label;
    const bool ok = worker_->call([&] { return core_->importSession(bAskReplace, label); });
    if (ok)
        SetVolumeLabel(label);
    return ok;
}
void BurnDiscWriter::AbortWrite() {
    core_->abortWrite();
}
bool BurnDiscWriter::IsBusy() {
    return core_->busy();
}

int BurnDiscWriter::DiscStatus() {
    return worker_->call([&] { return core_->facts().discStatus; });
}
int BurnDiscWriter::SessionCount() {
    return worker_->call([&] { return core_->facts().sessionCount; });
}
int BurnDiscWriter::LastSessionStatus() {
    return worker_->call([&] { return core_->facts().lastSessionStatus; });
}
int BurnDiscWriter::DiscType() {
    return worker_->call([&] { return core_->facts().discType; });
}
long long BurnDiscWriter::FreeBlocks() {
    return worker_->call([&] { return core_->facts().freeBlocks; });
}
long long BurnDiscWriter::UsedBlocks() {
    return worker_->call([&] { return core_->facts().usedBlocks; });
}
long long BurnDiscWriter::TotalBlocks() {
    return worker_->call([&] { return core_->facts().totalBlocks; });
}
bool BurnDiscWriter::MultiSessionAllowed() {
    return worker_->call([&] { return core_->facts().multiSessionAllowed; });
}
bool BurnDiscWriter::ImportAllowed() {
    return worker_->call([&] { return core_->facts().importAllowed; });
}
bool BurnDiscWriter::HasFileSystem(int flag) {
    return worker_->call([&] { return (core_->facts().fileSystems & flag) != 0; });
}

} // namespace tessaly

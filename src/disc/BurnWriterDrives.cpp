// BurnWriterDrives.cpp -- drive enumeration, selection, media type, speeds, features and the tray.
#include "BurnWriterCore.h"

#include "BurnLibrary.h"
#include "MediaProfiles.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tessaly {

namespace {

std::string trimmed(const char* text) {
    std::string s = text;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

} // namespace

const BurnWriterCore::DriveEntry* BurnWriterCore::selectedEntry() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(drives_.size()))
        return nullptr;
    return &drives_[selected_];
}

bool BurnWriterCore::initDrives(bool skipScan) {
    if (!libraryReady_ || busy_)
        return false;
    releaseDrive(false);
    selected_ = -1;
    drives_.clear();
    invalidate();

    bool ok = true;
    if (!skipScan) {
        // A scan fails while any drive is grabbed, and only sees whitelisted drives once a
        // pseudo-drive has been grabbed by address.
        burn::burn_drive_clear_whitelist();
        burn::burn_drive_info* infos = nullptr;
        unsigned int count = 0;
        int result = 0;
        while ((result = burn::burn_drive_scan(&infos, &count)) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (result > 0) {
            for (unsigned int i = 0; i < count; ++i) {
                DriveEntry entry;
                char address[BURN_DRIVE_ADR_LEN] = {};
                if (burn::burn_drive_d_get_adr(infos[i].drive, address) <= 0)
                    continue;
                entry.address = address;
                entry.vendor = trimmed(infos[i].vendor);
                entry.model = trimmed(infos[i].product);
                int profiles[64] = {};
                char current[64] = {};
                int profileCount = 0;
                burn::burn_drive_get_all_profiles(infos[i].drive, &profileCount, profiles, current);
                entry.profiles.assign(profiles, profiles + std::min(profileCount, 64));
                entry.writer =
                    infos[i].write_cdr || infos[i].write_cdrw || infos[i].write_dvdr || infos[i].write_dvdram;
                for (int p : entry.profiles)
                    entry.writer = entry.writer || IsWritableProfile(p);
                drives_.push_back(entry);
            }
            burn::burn_drive_info_free(infos);
        } else {
            ok = false;
        }
    }
    for (const PseudoDrive& pseudo : ExtraDrivesFromEnvironment()) {
        DriveEntry entry;
        entry.address = pseudo.address;
        entry.vendor = "Tessaly";
        entry.model = "Image File";
        entry.writer = true;
        entry.pseudo = true;
        entry.capacityBlocks = pseudo.capacityBlocks;
        drives_.push_back(entry);
    }
    drainBurnMessages();
    return ok;
}

bool BurnWriterCore::isWriter(int drive) const {
    return drive >= 0 && drive < driveCount() && drives_[drive].writer;
}

std::string BurnWriterCore::driveId(int drive) const {
    return drive >= 0 && drive < driveCount() ? drives_[drive].address : std::string();
}

std::string BurnWriterCore::driveVendor(int drive) const {
    return drive >= 0 && drive < driveCount() ? drives_[drive].vendor : std::string();
}

std::string BurnWriterCore::driveModel(int drive) const {
    return drive >= 0 && drive < driveCount() ? drives_[drive].model : std::string();
}

bool BurnWriterCore::acquire(bool load) {
    if (drive_)
        return true;
    const DriveEntry* entry = selectedEntry();
    if (!entry)
        return false;
    burn::burn_drive_info* info = nullptr;
    int result = burn::isoburn_drive_aquire(&info, const_cast<char*>(entry->address.c_str()), load ? 1 : 0);
    if (result > 0) {
        isoburnHeld_ = true;
    } else if (!entry->pseudo) {
        // libisoburn turns an empty drive away; a plain grab still tells that no disc is loaded.
        info = nullptr;
        result =
            burn::burn_drive_scan_and_grab(&info, const_cast<char*>(entry->address.c_str()), load ? 1 : 0);
        isoburnHeld_ = false;
    }
    drainBurnMessages();
    if (result <= 0)
        return false;
    driveInfo_ = info;
    drive_ = info[0].drive;
    invalidate();
    return true;
}

bool BurnWriterCore::ensureIsoburnDrive() {
    if (drive_ && isoburnHeld_)
        return true;
    if (drive_)
        releaseDrive(false);
    return acquire(false) && isoburnHeld_;
}

// What was imported reads its data through the drive; it must go before the drive does.
void BurnWriterCore::dropImported() {
    if (!tree_ || !tree_->hasImported())
        return;
    for (const std::string& folder : tree_->stripImported())
        emit([folder](DiscEvents& e) {
            e.FolderRemoved(folder, "The disc it was imported from is gone", true);
        });
    invalidate();
}

void BurnWriterCore::releaseDrive(bool eject) {
    if (!drive_)
        return;
    dropImported();
    if (isoburnHeld_)
        burn::isoburn_drive_release(drive_, eject ? 1 : 0);
    else
        burn::burn_drive_release(drive_, eject ? 1 : 0);
    burn::burn_drive_info_free(driveInfo_);
    driveInfo_ = nullptr;
    drive_ = nullptr;
    isoburnHeld_ = false;
    drainBurnMessages();
    invalidate();
}

// A drive's view of its medium is stale after a write or an erase until it is assessed again.
bool BurnWriterCore::reassess() {
    if (!drive_ || !isoburnHeld_)
        return false;
    const int result = burn::isoburn_drive_aquire(&driveInfo_, const_cast<char*>(""), 256);
    drainBurnMessages();
    invalidate();
    if (result > 0)
        return true;
    // libisoburn has let go of the drive; nothing may read through it any more.
    dropImported();
    burn::burn_drive_info_free(driveInfo_);
    driveInfo_ = nullptr;
    drive_ = nullptr;
    isoburnHeld_ = false;
    return false;
}

bool BurnWriterCore::selectDrive(int drive) {
    if (!libraryReady_ || busy_ || drive < 0 || drive >= driveCount())
        return false;
    if (drive == selected_ && drive_)
        return true;
    releaseDrive(false);
    selected_ = drive;
    writeSpeed_ = 0;
    if (!acquire(false)) {
        selected_ = -1;
        return false;
    }
    return true;
}

int BurnWriterCore::mediaType() {
    if (busy_)
        return lastMediaType_;
    const DriveEntry* entry = selectedEntry();
    int type = kMediaNotLoaded;
    if (entry) {
        if (drive_ && !isoburnHeld_ && burn::burn_disc_get_status(drive_) == burn::BURN_DISC_EMPTY)
            releaseDrive(false); // look again: a disc may have been loaded since
        if (acquire(false)) {
            if (entry->pseudo) {
                type = MediaTypeForProfile(0xffff);
            } else if (burn::burn_disc_get_status(drive_) != burn::BURN_DISC_EMPTY) {
                int profile = 0;
                char name[80] = {};
                if (burn::burn_disc_get_profile(drive_, &profile, name) > 0)
                    type = MediaTypeForProfile(profile);
            }
        }
    }
    lastMediaType_ = type;
    factsValid_ = false;
    return type;
}

int BurnWriterCore::maxWriteSpeed() {
    const DriveEntry* entry = selectedEntry();
    if (!entry || entry->pseudo || busy_ || !acquire(false))
        return 0;
    return std::max(0, burn::burn_drive_get_write_speed(drive_));
}

bool BurnWriterCore::setWriteSpeed(int kbPerSecond) {
    if (!selectedEntry() || busy_)
        return false;
    writeSpeed_ = std::max(0, kbPerSecond);
    return true;
}

bool BurnWriterCore::hasFeature(int code) {
    const DriveEntry* entry = selectedEntry();
    if (!entry)
        return false;
    if (entry->pseudo)
        return code == kFeatureDvdRam || code == kFeatureBufferProtection;
    if (code == kFeatureBufferProtection) {
        if (busy_ || !acquire(false))
            return false;
        burn::burn_write_opts* opts = burn::burn_write_opts_new(drive_);
        const bool supported = opts && burn::burn_write_opts_set_underrun_proof(opts, 1) == 1;
        if (opts)
            burn::burn_write_opts_free(opts);
        return supported;
    }
    return ProfilesHaveFeature(entry->profiles, code);
}

bool BurnWriterCore::ejectTray(bool close) {
    const DriveEntry* entry = selectedEntry();
    if (!entry || busy_)
        return false;
    if (close)
        return drive_ || acquire(true);
    if (!drive_ && !entry->pseudo && !acquire(false))
        return false;
    // A pseudo-drive has no tray: letting go of it closes the image file; it is taken up again
    // when next needed.
    releaseDrive(!entry->pseudo);
    return true;
}

} // namespace tessaly

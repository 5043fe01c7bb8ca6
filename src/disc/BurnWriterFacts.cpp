// BurnWriterFacts.cpp -- what the loaded disc is: status, sessions, space and file systems.
#include "BurnWriterCore.h"

#include "BurnLibrary.h"
#include "MediaProfiles.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

namespace {

bool readBlock(burn::burn_drive* drive, long long block, unsigned char* buffer) {
    off_t count = 0;
    return burn::burn_read_data(drive, static_cast<off_t>(block) * kBlockBytes,
                                reinterpret_cast<char*>(buffer), kBlockBytes, &count, 2) > 0 &&
           count == kBlockBytes;
}

// The volume descriptors of the session at `start`: ISO 9660, Joliet (a supplementary descriptor
// with a UCS-2 escape sequence), and the UDF volume recognition sequence that may follow them.
int fileSystemsAt(burn::burn_drive* drive, long long start) {
    unsigned char block[kBlockBytes];
    int found = 0;
    bool terminated = false;
    for (long long b = start + 16; b < start + 64; ++b) {
        if (!readBlock(drive, b, block))
            break;
        const char* id = reinterpret_cast<const char*>(block + 1);
        if (!terminated && std::memcmp(id, "CD001", 5) == 0) {
            if (block[0] == 1)
                found |= kFsIso9660;
            if (block[0] == 2 && block[88] == '%' && block[89] == '/' &&
                (block[90] == '@' || block[90] == 'C' || block[90] == 'E'))
                found |= kFsJoliet;
            if (block[0] == 255)
                terminated = true;
            continue;
        }
        if (std::memcmp(id, "NSR02", 5) == 0 || std::memcmp(id, "NSR03", 5) == 0) {
            found |= kFsUdf;
            break;
        }
        if (std::memcmp(id, "BEA01", 5) == 0 || std::memcmp(id, "TEA01", 5) == 0 ||
            std::memcmp(id, "BOOT2", 5) == 0 || std::memcmp(id, "CDW02", 5) == 0)
            continue;
        break;
    }
    return found;
}

int discTypeOf(burn::burn_drive* drive) {
    int profile = 0;
    char name[80] = {};
    if (burn::burn_disc_get_profile(drive, &profile, name) <= 0 || !IsCdProfile(profile))
        return kDiscTypeUnknown;
    char type[80] = {};
    unsigned int id = 0;
    char barCode[9] = {};
    int appCode = 0, valid = 0;
    if (burn::burn_disc_get_cd_info(drive, type, &id, barCode, &appCode, &valid) <= 0 || !(valid & 1))
        return kDiscTypeUnknown;
    if (std::strcmp(type, "CD-DA or CD-ROM") == 0)
        return kDiscTypeCdDaRom;
    if (std::strcmp(type, "CD-I") == 0)
        return kDiscTypeCdi;
    if (std::strcmp(type, "CD-ROM XA") == 0)
        return kDiscTypeCdRomXa;
    return kDiscTypeUnknown;
}

} // namespace

const DiscFacts& BurnWriterCore::facts() {
    if (!factsValid_ && !busy_) {
        facts_ = computeFacts();
        factsValid_ = true;
    }
    return facts_;
}

DiscFacts BurnWriterCore::computeFacts() {
    DiscFacts f;
    if (!libraryReady_ || !selectedEntry() || !ensureIsoburnDrive()) {
        drainBurnMessages();
        return f;
    }
    const burn::burn_disc_status status = burn::isoburn_disc_get_status(drive_);
    const bool written = status == burn::BURN_DISC_APPENDABLE || status == burn::BURN_DISC_FULL;
    switch (status) {
    case burn::BURN_DISC_BLANK:
        f.discStatus = kDiscEmpty;
        break;
    case burn::BURN_DISC_APPENDABLE:
        f.discStatus = kDiscOpen;
        break;
    case burn::BURN_DISC_FULL:
        f.discStatus = kDiscClosed;
        break;
    default:
        drainBurnMessages();
        return f;
    }

    int complete = 0, incomplete = 0, tocBlocks = 0;
    if (burn::isoburn_toc_disc* toc = burn::isoburn_toc_drive_get_disc(drive_)) {
        burn::isoburn_toc_disc_get_sessions(toc, &complete);
        incomplete = burn::isoburn_toc_disc_get_incmpl_sess(toc);
        tocBlocks = burn::isoburn_toc_disc_get_sectors(toc);
        burn::isoburn_toc_disc_free(toc);
    }
    f.sessionCount = written ? complete : 0;
    if (status == burn::BURN_DISC_BLANK)
        f.lastSessionStatus = kSessionEmpty;
    else if (incomplete > 0)
        f.lastSessionStatus = kSessionIncomplete;
    else if (complete > 0)
        f.lastSessionStatus = kSessionClosed;
    f.discType = discTypeOf(drive_);

    if (status == burn::BURN_DISC_APPENDABLE) {
        int lba = 0, nwa = 0;
        if (burn::isoburn_disc_track_lba_nwa(drive_, nullptr, 0, &lba, &nwa) > 0)
            f.usedBlocks = nwa;
    } else if (status == burn::BURN_DISC_FULL) {
        f.usedBlocks = std::max(0, tocBlocks);
    }
    f.freeBlocks = status == burn::BURN_DISC_FULL ? 0 : availableBlocks(false);
    f.totalBlocks = f.usedBlocks + f.freeBlocks;
    // A pseudo-drive given a capacity is that big, the 32 blocks before its first session included.
    if (const DriveEntry* entry = selectedEntry(); entry->pseudo && entry->capacityBlocks > 0)
        f.totalBlocks = entry->capacityBlocks;

    if (isEmulated()) {
        f.multiSessionAllowed = status != burn::BURN_DISC_FULL;
    } else {
        burn::burn_multi_caps* caps = nullptr;
        if (burn::burn_disc_get_multi_caps(drive_, burn::BURN_WRITE_NONE, &caps, 0) > 0 && caps)
            f.multiSessionAllowed = caps->multi_session && status != burn::BURN_DISC_FULL;
        if (caps)
            burn::burn_disc_free_multi_caps(&caps);
    }
    if (written) {
        int msc1 = 0, blocks = 0;
        if (burn::isoburn_disc_get_msc1(drive_, &msc1) > 0) {
            f.importAllowed = burn::isoburn_read_iso_head(drive_, msc1, &blocks, nullptr, 0) > 0;
            f.fileSystems = fileSystemsAt(drive_, msc1);
        }
        if (f.fileSystems == 0)
            f.fileSystems = kFsOther;
    }
    drainBurnMessages();
    return f;
}

} // namespace tessaly

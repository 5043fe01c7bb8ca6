// DiscCodes.cpp -- texts of the control's code tables.
#include "DiscCodes.h"

namespace tessaly {

std::optional<std::string> MediaTypeText(int mediaType) {
    switch (mediaType) {
    case kMediaDvdRom:
        return "DVD-ROM";
    case kMediaDvdRam:
        return "DVD-RAM";
    case kMediaDvdR:
        return "DVD-R";
    case kMediaDvdRw:
        return "DVD-RW";
    case kMediaDvdPlusRw:
        return "DVD+RW";
    case kMediaDvdPlusR:
        return "DVD+R";
    case kMediaDvdPlusRDualLayer:
        return "DVD+R Dual Layer";
    case kMediaCdRw:
        return "CD-RW";
    case kMediaNotLoaded:
        return "Not Loaded";
    case kMediaCdR:
        return "CD-R";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> DiscStatusText(int discStatus) {
    switch (discStatus) {
    case kDiscEmpty:
        return "Empty Disc";
    case kDiscOpen:
        return "Disc Open";
    case kDiscClosed:
        return "Disc is Closed";
    case kDiscUnknown:
        return "Unknown";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> LastSessionStatusText(int sessionStatus) {
    switch (sessionStatus) {
    case kSessionEmpty:
        return "Empty Session";
    case kSessionIncomplete:
        return "Incomplete Session";
    case kSessionUnknown:
        return "Unknown";
    case kSessionClosed:
        return "Closed Session";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> DiscTypeText(int discType) {
    switch (discType) {
    case kDiscTypeCdDaRom:
        return "CD-DA/CD-ROM";
    case kDiscTypeCdi:
        return "CDI";
    case kDiscTypeCdRomXa:
        return "CD-ROM XA";
    case kDiscTypeUnknown:
        return "Unknown";
    default:
        return std::nullopt;
    }
}

bool IsCdMedia(int mediaType) {
    return mediaType == kMediaCdRw || mediaType == kMediaCdR;
}

} // namespace tessaly

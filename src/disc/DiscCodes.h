// DiscCodes.h -- the code tables of the disc-writing control and the texts the disc windows show.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

// MediaType codes. Media without a code in the table (a pressed CD-ROM, BD media, ...) report
// kMediaOtherBase + their MMC profile number, so they never collide with a table code.
inline constexpr int kMediaDvdRom = 0;
inline constexpr int kMediaDvdRam = 1;
inline constexpr int kMediaDvdR = 2;
inline constexpr int kMediaDvdRw = 3;
inline constexpr int kMediaDvdPlusRw = 9;
inline constexpr int kMediaDvdPlusR = 10;
inline constexpr int kMediaDvdPlusRDualLayer = 252;
inline constexpr int kMediaCdRw = 253;
inline constexpr int kMediaNotLoaded = 254;
inline constexpr int kMediaCdR = 255;
inline constexpr int kMediaOtherBase = 256;

// DiscStatus codes.
inline constexpr int kDiscEmpty = 0;
inline constexpr int kDiscOpen = 1;
inline constexpr int kDiscClosed = 2;
inline constexpr int kDiscUnknown = 3;

// LastSessionStatus codes.
inline constexpr int kSessionEmpty = 0;
inline constexpr int kSessionIncomplete = 1;
inline constexpr int kSessionUnknown = 2;
inline constexpr int kSessionClosed = 3;

// DiscType codes (the MMC disc types of CD media).
inline constexpr int kDiscTypeCdDaRom = 0;
inline constexpr int kDiscTypeCdi = 16;
inline constexpr int kDiscTypeCdRomXa = 32;
inline constexpr int kDiscTypeUnknown = 255;

// HasFileSystem flags.
inline constexpr int kFsOther = 2;
inline constexpr int kFsIso9660 = 4;
inline constexpr int kFsJoliet = 8;
inline constexpr int kFsUdf = 16;

// HasFeature codes.
inline constexpr int kFeatureCdRw = 7;
inline constexpr int kFeatureDvdRam = 10;
inline constexpr int kFeatureBufferProtection = 36;
inline constexpr int kFeatureDvdRw = 37;
inline constexpr int kFeatureDvdPlusRw = 39;

// TrackMode values.
inline constexpr int kTrackMode1 = 1;
inline constexpr int kTrackMode2Xa = 2;

// VerifyFile results. Only the failures have texts in the writing window; kVerifyMatched shows nothing.
inline constexpr int kVerifySourceUnreadable = 0;
inline constexpr int kVerifyDiscUnreadable = 1;
inline constexpr int kVerifyMismatch = 2;
inline constexpr int kVerifyMatched = 3;
inline constexpr int kVerifySizeMismatch = 5;

// DriveError kinds: 1 the job was refused or stopped by the control itself, 2 a library or
// software failure (code = the library's message code), 3 a drive or medium failure whose code is
// in the drive error table (sense data "key asc ascq" when the drive gave some).
inline constexpr int kErrorKindControl = 1;
inline constexpr int kErrorKindLibrary = 2;
inline constexpr int kErrorKindDrive = 3;

// FileError codes.
inline constexpr int kFileErrorOpen = 0;
inline constexpr int kFileErrorClose = 1;
inline constexpr int kFileErrorRead = 2;

// Every size the control counts in blocks is in blocks of this many bytes.
inline constexpr int kBlockBytes = 2048;

// The texts of the disc information window; nullopt for a code the table does not list.
std::optional<std::string> MediaTypeText(int mediaType);
std::optional<std::string> DiscStatusText(int discStatus);
std::optional<std::string> LastSessionStatusText(int sessionStatus);
std::optional<std::string> DiscTypeText(int discType);

// True for the media the writing window treats as CD when writing: CD-RW and CD-R.
bool IsCdMedia(int mediaType);

} // namespace tessaly

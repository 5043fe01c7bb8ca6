// ArchiveError.h -- the numbered errors of the archive layer: one table of numbers, sources and texts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tessaly {

// Numbers of object errors count from this base (0x80040000), as the archive classes always did.
inline constexpr std::int32_t kObjectErrorBase = std::int32_t(-2147221504);

// Number                    Source                       Description
// kErrOverflow (6)          "CGUnZipFiles::Unzip"        "Overflow"
// kErrSubscript (9)         "CGZipFiles::MakeZipFile",   "Subscript out of range"
//                           "CodeModule::VBUnzip" and then "CGUnZipFiles::Unzip"
// kErrAlreadyListed         "CGZip::AddFile"             "File is already in Zip List"
// kErrNotListed             "CGZip::RemoveFile"          "File is not in Zip List"
// kErrZipEngine             "CGmodule::ZipOneFile",      "error: " and the zip engine's complaint
//                           "ZipSession"
// kErrUnzipEngine           "CGmodule::UnzipToFolder"    the unzip engine's complaint
// The two engine errors also carry the engine's result code (libzip's ZIP_ER_* for the zip side,
// the UnzipResult codes below for the unzip side).
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscript = 9;
inline constexpr std::int32_t kErrAlreadyListed = kObjectErrorBase + 2001; // 0x800407D1
inline constexpr std::int32_t kErrNotListed = kObjectErrorBase + 2002;     // 0x800407D2
inline constexpr std::int32_t kErrZipEngine = kObjectErrorBase + 2003;     // 0x800407D3
inline constexpr std::int32_t kErrUnzipEngine = kObjectErrorBase + 2004;   // 0x800407D4

// Result codes of the unzip engine (VBUnzip, CGUnzipFiles::Unzip). Where Info-ZIP's unzip has a code
// for the same condition, it is the same number.
namespace UnzipResult {
inline constexpr int kOk = 0;
inline constexpr int kEntryDamaged = 2;    // an entry failed its CRC or would not decompress
inline constexpr int kArchiveDamaged = 3;  // not a zip archive, or its directory is damaged
inline constexpr int kArchiveNotFound = 9; // the archive cannot be found or opened
inline constexpr int kBadOptions = 10;     // no archive named
inline constexpr int kNoMatch = 11;        // a name to extract is not in the archive
inline constexpr int kUnsafeName = 12;     // an entry would be written outside the destination
inline constexpr int kWriteFailed = 50;    // a file could not be written
inline constexpr int kUnsupported = 81;    // compression or encryption method not supported
inline constexpr int kBadPassword = 82;    // an encrypted entry was skipped: no or wrong password
} // namespace UnzipResult

// What the archive classes raise. Callers that must not stop (item handlers) catch it and fail the
// item; nothing in the archive layer ends the program.
class ArchiveError : public std::runtime_error {
public:
    ArchiveError(std::int32_t number, std::string source, std::string description, int engineResult = 0);

    std::int32_t number() const { return number_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }
    // The engine's result code where an engine run failed (-99 for MakeZipFile's error path).
    int engineResult() const { return engineResult_; }

    // The same error raised again by an outer procedure: same number and text, its own source.
    ArchiveError raisedAgainBy(std::string source) const;

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
    int engineResult_;
};

} // namespace tessaly

// CGmodule.h -- the archive layer's entry points: ZipOneFile, UnzipToFolder, and the engine calls
// VBZip and VBUnzip that translate the classes' options into libzip calls.
#pragma once

#include "platform/Ui.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// Names handed to an engine run: at most 100 (slots 0 to 99). Text is UTF-8; a name ends at its
// first NUL, as a zero-terminated string would.
using ZipNameList = std::vector<std::string>;
inline constexpr std::size_t kZipNameSlots = 100;

// The flags of a zip run, in the order VBZip takes them (1 for true, 0 for false).
struct ZipOptions {
    std::int16_t junk = 0;            // store each entry under its bare file name
    std::int16_t recurse = 0;         // go into folders named in the list
    std::int16_t update = 0;          // replace an entry only by a newer file; add new ones
    std::int16_t freshen = 0;         // replace only entries that exist, by newer files; add none
    std::string root;                 // folder that relative names are taken from (when it exists)
    std::int16_t encrypt = 0;         // never honoured: archives are not encrypted by the zip format
    std::int16_t systemFiles = 0;     // take hidden files (dot files) too
    std::int16_t noFolderEntries = 0; // folder entries are never stored anyway
    std::int16_t verbose = 0;
    std::int16_t quiet = 0;
    std::int16_t crlfToLf = 0; // the next five are not supported and make the run fail
    std::int16_t lfToCrlf = 0;
    std::int16_t grow = 0;  // no effect: existing entries are always kept
    std::int16_t force = 0; // no effect: there are no short names to force
    std::int16_t move = 0;
    std::int16_t deleteEntries = 0;
};

// Adds the first `count` names of the list to the archive (created when missing), each under the
// name the options give; an entry of the same name is replaced. A name that matches no file is a
// warning, not a failure. Returns 0 or libzip's error code; never throws. When a ZipSession is
// open for the archive the files go into it, otherwise the archive is written before returning.
std::int32_t VBZip(std::int16_t count, const std::string& archive, const ZipNameList& names,
                   const ZipOptions& options);

// The options of an unzip run, fields 1 to 15 and the two strings, as 16-bit flags and numbers.
struct UnzipOptions {
    std::int16_t ExtractOnlyNewer = 0;  // 1: extract new files and those newer than the disk copy
    std::int16_t SpaceToUnderScore = 0; // 2
    std::int16_t PromptOverwrite = 0;   // 3: ask through the Ui port before replacing a file
    std::int16_t MessageLevel = 2;      // 4: 0 every line, 1 no per-entry lines, 2 complaints only
    std::int16_t WriteToStdOut = 0;     // 5: entry data goes to the message buffer, no files
    std::int16_t TestZip = 0;           // 6: check every CRC, write nothing
    std::int16_t ExtractList = 0;       // 7: fill the listing text, write nothing
    std::int16_t ExtractNewer = 0;      // 8: only replace existing files that are older
    std::int16_t DisplayComment = 0;    // 9
    std::int16_t HonorDirectories = 1;  // 10: keep the stored folder part
    std::int16_t OverWriteFiles = 1;    // 11: replace existing files without asking
    std::int16_t ConvertCRtoCRLF = 0;   // 12: write every lone LF as CR LF
    std::int16_t Verbose = 0;           // 13: per-entry lines whatever the message level
    std::int16_t CaseSensitive = 1;     // 14: names to extract must match in letter case
    std::int16_t Privilege = 0;         // 15: no access lists on this platform; kept for the record
    std::string ZipFileName;
    std::string ExtractDir;
};

// Extracts from the archive into the destination folder: every entry when eFiles is nullopt or
// empty, otherwise only the named ones, less those in xFiles. Entry names that would lead outside
// the destination make the run fail before anything is written. Returns an UnzipResult code.
// Throws ArchiveError (kErrSubscript, source "CodeModule::VBUnzip") for a list of more than 100.
std::int32_t VBUnzip(const UnzipOptions& options, const std::optional<ZipNameList>& eFiles,
                     const std::optional<ZipNameList>& xFiles, Ui* ui);

// The listing that ExtractList runs fill in (header once per program run, then one line per entry).
const std::string& unzipListing();

// Adds one file to an archive under its bare name, replacing an entry of that name. A missing or
// hidden file (dot file) is left out: the archive is untouched and false is returned. An engine
// failure raises ArchiveError kErrZipEngine; it never ends the program. Within an open ZipSession
// the source may be deleted as soon as this returns.
bool ZipOneFile(const std::string& archivePath, const std::string& filePath);

// Extracts the named entries (all when eFiles is nullopt) into the folder, replacing existing files
// without asking. Raises ArchiveError kErrUnzipEngine with the engine's complaint and result when
// the run fails (damaged archive or entry, unsafe name, name not found, wrong password, write
// error); a damaged entry never replaces an existing file. The Ui port asks for passwords of
// entries that another tool encrypted; without one such entries fail.
void UnzipToFolder(const std::string& archivePath, const std::string& folder,
                   const std::optional<ZipNameList>& eFiles = std::nullopt,
                   const std::optional<ZipNameList>& xFiles = std::nullopt, Ui* ui = nullptr);

} // namespace tessaly

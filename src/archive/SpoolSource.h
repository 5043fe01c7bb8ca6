// SpoolSource.h -- files compressed as soon as a backup adds them, and the libzip source that later
// copies their compressed bytes into the real archive without compressing them again.
#pragma once

#include "archive/SpoolCipher.h"
#include "archive/WorkerPool.h"
#include "platform/Ui.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#include <zip.h>

namespace tessaly {

struct SpooledMember {
    std::filesystem::path spoolFile; // the member's data as the archive will hold it, encrypted
    SpoolCipher cipher;
    zip_uint16_t method = ZIP_CM_DEFLATE;
    zip_uint64_t size = 0;
    zip_uint64_t compressedSize = 0;
    zip_uint32_t crc = 0;
    zip_uint32_t compressedCrc = 0; // of the bytes the archive will hold
    std::time_t mtime = 0;
    zip_uint32_t attributes = 0; // Unix mode in the high 16 bits, and the DOS read-only bit
    std::string name;            // the file's name, for progress reports
};

// Compresses one file (raw deflate) into a new spool file, on the pool's threads when there is a
// pool; a file that deflate does not make smaller is spooled as it is, to be stored. The file is
// read completely before this returns. Throws ArchiveError kErrZipEngine, or RunStopped when the Ui
// asks to stop; the spool file is gone after either.
SpooledMember spoolMember(const std::filesystem::path& file, const std::filesystem::path& spoolFile,
                          WorkerPool* pool, Ui* ui);

// The bytes copied of all spooled members of one archive, so that their reports make one scale.
struct CopyTally {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    std::string label; // the name the reports carry; each member's own name when empty
};

// A read source over the spooled member's compressed bytes, with the stat libzip needs to copy
// them as they are. The spool file is open only while libzip reads it (one descriptor at a
// time, however many members); freeing the source deletes it. Null on failure (error in za).
// The Ui, when given, hears how many of the compressed bytes have been copied: of this member, or
// with a tally, of all members counted in it.
zip_source_t* spooledSource(zip_t* za, const SpooledMember& member, Ui* ui = nullptr,
                            CopyTally* tally = nullptr);

} // namespace tessaly

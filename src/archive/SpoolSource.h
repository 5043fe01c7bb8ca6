// SpoolSource.h -- files compressed as soon as a backup adds them, and the libzip source that later
// copies their compressed bytes into the real archive without compressing them again.
#pragma once

#include "platform/Ui.h"

#include <filesystem>
#include <string>

#include <zip.h>

namespace tessaly {

struct SpooledMember {
    std::filesystem::path spoolArchive; // a one-member archive holding the compressed file
    zip_stat_t stat{};                  // sizes, CRC, method and time of that member
    zip_uint8_t opsys = ZIP_OPSYS_UNIX;
    zip_uint32_t attributes = 0;
    std::string name; // the file's name, for progress reports
};

// Compresses one file (deflate, level 6) into a new one-member archive at spoolArchive. The file is
// read completely before this returns. Throws ArchiveError kErrZipEngine.
SpooledMember spoolMember(const std::filesystem::path& file, const std::filesystem::path& spoolArchive,
                          Ui* ui);

// A read source over the spooled member's compressed bytes, with the stat libzip needs to copy
// them as they are. The spool archive is open only while libzip reads it (one descriptor at a
// time, however many members); freeing the source deletes it. Null on failure (error in za).
// The Ui, when given, hears how many of the compressed bytes have been copied.
zip_source_t* spooledSource(zip_t* za, const SpooledMember& member, Ui* ui = nullptr);

} // namespace tessaly

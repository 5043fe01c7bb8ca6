// OutputSource.h -- a libzip source that writes a new archive into an ArchiveOutput.
#pragma once

#include "archive/ArchiveOutput.h"

#include <zip.h>

namespace tessaly {

// A writable source for zip_open_from_source(..., ZIP_CREATE | ZIP_TRUNCATE): it starts empty, and what
// libzip writes on zip_close goes to `output`, which must outlive the source. Null on failure (in error).
zip_source_t* outputSource(ArchiveOutput& output, zip_error_t* error);

} // namespace tessaly

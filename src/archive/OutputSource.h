// OutputSource.h -- a libzip source that writes a new archive into an ArchiveOutput.
#pragma once

#include "archive/ArchiveOutput.h"

#include <exception>

#include <zip.h>

namespace tessaly {

// A writable source for zip_open_from_source(..., ZIP_CREATE | ZIP_TRUNCATE): it starts empty, and what
// libzip writes on zip_close goes to `output`, which must outlive the source, as must `firstFailure`:
// it receives the first exception the output threw, whose text says more than libzip's code can. Null
// on failure (in error).
zip_source_t* outputSource(ArchiveOutput& output, std::exception_ptr& firstFailure, zip_error_t* error);

} // namespace tessaly

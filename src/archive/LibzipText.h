// LibzipText.h -- libzip's error codes as text.
#pragma once

#include <string>

#include <zip.h>

namespace tessaly {

std::string libzipErrorText(int zipErrorCode);
std::string libzipErrorText(zip_error_t* error);

} // namespace tessaly

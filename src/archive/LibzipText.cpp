// LibzipText.cpp -- libzip's error codes as text.
#include "archive/LibzipText.h"

namespace tessaly {

std::string libzipErrorText(int zipErrorCode) {
    zip_error_t error;
    zip_error_init_with_code(&error, zipErrorCode);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string libzipErrorText(zip_error_t* error) {
    return zip_error_strerror(error);
}

} // namespace tessaly

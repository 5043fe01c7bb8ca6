// StoreError.h -- a store that cannot be read at all (not a store, too large, unreadable file).
#pragma once

#include <stdexcept>

namespace tessaly {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessaly

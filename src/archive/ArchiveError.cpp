// ArchiveError.cpp -- the archive layer's numbered error.
#include "archive/ArchiveError.h"

namespace tessaly {

ArchiveError::ArchiveError(std::int32_t number, std::string source, std::string description, int engineResult)
    : std::runtime_error(source + ": " + description), number_(number), source_(std::move(source)),
      description_(std::move(description)), engineResult_(engineResult) {}

ArchiveError ArchiveError::raisedAgainBy(std::string source) const {
    return ArchiveError(number_, std::move(source), description_, engineResult_);
}

} // namespace tessaly

// HandlerSupport.h -- small helpers of the item handlers: files removed on every path, safe entry names,
// listings.
#pragma once

#include "platform/Text.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// Removes the file when it goes out of scope, whatever happened.
class RemoveOnExit {
public:
    explicit RemoveOnExit(std::filesystem::path path) : path_(std::move(path)) {}
    ~RemoveOnExit() { removeNow(); }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void removeNow() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove(path_, ec);
    }

private:
    std::filesystem::path path_;
};

// A member name recorded in a backup file, refused (std::runtime_error) unless it is a bare file name.
std::string checkedEntryName(const std::string& name);

// The names of the regular files of a folder, in the order the folder lists them (names compared
// in capitals, as the platform's file system orders them). Throws when the folder cannot be read.
std::vector<std::string> folderFiles(const std::filesystem::path& folder);

// Splits a recorded list of names at ";".
std::vector<std::string> splitNames(const std::string& list);

// Case-insensitive ".DBX" test on the last four characters of a name.
bool isMessageStore(const std::string& name);

} // namespace tessaly

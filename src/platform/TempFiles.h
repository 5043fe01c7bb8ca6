// TempFiles.h -- temporary files named as Windows names them, and a private working folder.
#pragma once

#include <filesystem>
#include <string>

namespace tessaly {

// $TMPDIR if it names a folder, else /tmp.
std::filesystem::path hostTempDir();

// Creates a new empty file in hostTempDir(), exclusively (O_EXCL) with mode 0600, named like the
// Windows call names them: the prefix (at most 3 characters, longer ones cut), an upper-case
// hexadecimal number of up to 4 digits (the next number is tried on a clash), ".tmp".
// Throws std::invalid_argument for a prefix holding '/', '\' or NUL, std::runtime_error when no file
// can be created.
std::filesystem::path sGetTempFile(const std::string& prefix);

// The same in a given folder, starting the search at `firstNumber` (1..0xFFFF; 0 picks one at random).
std::filesystem::path createTempFileIn(const std::filesystem::path& folder, const std::string& prefix,
                                       unsigned firstNumber = 0);

// A private working folder of the process (mode 0700, made with mkdtemp under hostTempDir()),
// removed with its contents on destruction.
class PrivateWorkDir {
public:
    PrivateWorkDir();
    ~PrivateWorkDir();
    PrivateWorkDir(const PrivateWorkDir&) = delete;
    PrivateWorkDir& operator=(const PrivateWorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace tessaly

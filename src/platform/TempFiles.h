// TempFiles.h -- temporary files named as Windows names them, and a private working folder.
#pragma once

#include <filesystem>
#include <functional>
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

// Where the random first number comes from; tests set their own, nullptr restores the default.
void setTempNumberSource(std::function<unsigned()> source);

// The same in a given folder, starting the search at `firstNumber` (1..0xFFFF; 0 picks one at random).
std::filesystem::path createTempFileIn(const std::filesystem::path& folder, const std::string& prefix,
                                       unsigned firstNumber = 0);

// Names of the folders and files a run owns while it lives; a run that finds one whose owner is gone
// removes it (see Leftovers.h).
inline constexpr const char* kWorkDirPrefix = "tessaly-";
inline constexpr const char* kOwnerFileName = ".owner";

// A private working folder of the process (mode 0700, made with mkdtemp under hostTempDir(), or
// under `parent`), removed with its contents on destruction. Its ".owner" file is an owner mark (see
// OwnerMark.h), locked while the folder lives: it tells a live run's folder from one a killed run left.
class PrivateWorkDir {
public:
    PrivateWorkDir();
    explicit PrivateWorkDir(const std::filesystem::path& parent);
    ~PrivateWorkDir();
    PrivateWorkDir(const PrivateWorkDir&) = delete;
    PrivateWorkDir& operator=(const PrivateWorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    int ownerFd_ = -1;
};

// A new temporary file beside a target: an unpredictable name (the prefix, 16 random hexadecimal digits,
// ".tmp"), created O_EXCL without following links, holding an owner mark locked (flock) for as long as
// this object lives, and removed on destruction unless released (after it was renamed into place).
class OwnedTempFile {
public:
    OwnedTempFile(const std::filesystem::path& folder, const std::string& prefix);
    ~OwnedTempFile();
    OwnedTempFile(const OwnedTempFile&) = delete;
    OwnedTempFile& operator=(const OwnedTempFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The file now lives on under another name: do not remove it.
    void release() { path_.clear(); }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// prefix + 16 random upper-case hexadecimal digits + suffix.
std::string randomHexName(const std::string& prefix, const std::string& suffix);

} // namespace tessaly

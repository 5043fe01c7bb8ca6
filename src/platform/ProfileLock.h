// ProfileLock.h -- one run at a time may change a profile: an advisory lock on a file in the prefix.
#pragma once

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaly {

// Another run holds the profile; what() names it.
class ProfileBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lock file could not be made or locked; `error` is the system's reason (EROFS or EACCES for a
// profile this user cannot change at all).
class ProfileLockFailed : public std::runtime_error {
public:
    ProfileLockFailed(const std::string& what, int error) : std::runtime_error(what), error(error) {}
    int error;
};

// Held from construction to destruction. The lock file (".tessaly-lock" in the prefix) records which
// run holds it, so a refused run can say which one. The lock is the kernel's (flock): a killed run
// releases it with its last file descriptor.
class ProfileLock {
public:
    // Waits up to `patience` for another holder to finish, then throws ProfileBusy naming it; throws
    // ProfileLockFailed when the lock file cannot be used (a link or FIFO planted under its name, say).
    // `what` describes this run for the message another run would show ("tessaly-cli restore").
    ProfileLock(const std::filesystem::path& prefix, const std::string& what,
                std::chrono::milliseconds patience = std::chrono::seconds(5));
    ~ProfileLock();
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    static std::filesystem::path lockFile(const std::filesystem::path& prefix);

private:
    int fd_ = -1;
};

} // namespace tessaly

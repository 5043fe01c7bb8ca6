// FileIo.h -- the small POSIX file helpers that the containers stream through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace tessaly {

// Owns an open file descriptor.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&&) = delete;
    int get() const { return fd_; }
    // Closes now; throws std::runtime_error naming `path` when the close reports a write error.
    void close(const std::filesystem::path& path);

private:
    int fd_;
};

// Opens for reading; throws std::runtime_error naming the path.
Fd openForReading(const std::filesystem::path& path);
// Creates or truncates for writing with the given mode (less umask); throws std::runtime_error.
Fd openForWriting(const std::filesystem::path& path, unsigned mode);
// Creates a file that must not exist yet, not even as a link (another user may share the folder), with
// mode 0600; throws std::runtime_error.
Fd createNewFile(const std::filesystem::path& path);
std::uint64_t fileSize(int fd, const std::filesystem::path& path);

// Reads up to `size` bytes, fewer only at the end of the file; throws std::runtime_error.
std::size_t readUpTo(int fd, char* data, std::size_t size, const std::filesystem::path& path);
// Reads up to `size` bytes at `offset`, fewer only at the end of the file.
std::size_t readAt(int fd, char* data, std::size_t size, std::uint64_t offset,
                   const std::filesystem::path& path);
void writeAll(int fd, const char* data, std::size_t size, const std::filesystem::path& path);
// Writes all `size` bytes at `offset`; throws std::runtime_error (a full disk when nothing more goes).
void writeAt(int fd, const char* data, std::size_t size, std::uint64_t offset,
             const std::filesystem::path& path);
// Flushes to the disk and closes.
void syncAndClose(Fd& fd, const std::filesystem::path& path);

} // namespace tessaly

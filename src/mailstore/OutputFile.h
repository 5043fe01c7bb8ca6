// OutputFile.h -- export outputs that appear complete or not at all, under names that take nothing
// that already exists.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessaly {

// A folder of the export, held open; sub-folders are made and opened without following links.
class OutputDir {
public:
    // Makes the folder (and its parents) when missing. Throws std::runtime_error.
    explicit OutputDir(const std::filesystem::path& path);
    OutputDir(OutputDir&& other) noexcept;
    OutputDir(const OutputDir&) = delete;
    OutputDir& operator=(const OutputDir&) = delete;
    ~OutputDir();

    // The sub-folder `name` (made when missing); a link or a file of that name is refused.
    OutputDir sub(const std::string& name) const;
    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

private:
    OutputDir(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::filesystem::path path_;
};

// A file being written in an OutputDir. Until commit() it has no name (O_TMPFILE), or, where the file
// system cannot do that, a hidden temporary name that the destructor removes.
class OutputFile {
public:
    explicit OutputFile(const OutputDir& dir);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Buffers; writes out in large pieces. Throws std::runtime_error.
    void write(std::string_view bytes);
    // Gives the file its name: `stem` + `extension`, else `stem (2)` + `extension` and so on when
    // that exists; never replaces anything. Returns the name taken. `durable` flushes it to the disk
    // first.
    std::string commit(const std::string& stem, const std::string& extension, bool durable);

private:
    void flush();

    const OutputDir& dir_;
    int fd_ = -1;
    std::string tempName_; // empty when the file has no name yet
    std::string buffer_;
};

} // namespace tessaly

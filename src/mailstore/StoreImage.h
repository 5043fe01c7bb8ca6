// StoreImage.h -- the bytes of one store file, memory-mapped, and bounds-checked reads of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

class StoreImage {
public:
    // Maps the file (opened without following a link). Throws StoreError for a file that cannot be
    // read or is larger than the client can write (2 GiB).
    static StoreImage mapFile(const std::filesystem::path& file);
    // Maps an open file (the descriptor stays the caller's); `name` names it in messages.
    static StoreImage mapDescriptor(int fd, const std::string& name);
    // Bytes the caller keeps alive (tests, fuzzing); the same size limit applies.
    static StoreImage view(std::string_view bytes, const std::string& name);

    StoreImage(StoreImage&& other) noexcept;
    StoreImage& operator=(StoreImage&& other) noexcept;
    StoreImage(const StoreImage&) = delete;
    StoreImage& operator=(const StoreImage&) = delete;
    ~StoreImage();

    const std::string& name() const { return name_; }
    std::size_t size() const { return size_; }
    const unsigned char* data() const { return data_; }

    bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    // The 32-bit little-endian word at `offset`; nullopt when it is not inside the file.
    std::optional<std::uint32_t> u32(std::uint64_t offset) const {
        if (!has(offset, 4))
            return std::nullopt;
        const unsigned char* p = data_ + offset;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }

private:
    StoreImage(const unsigned char* data, std::size_t size, bool mapped, std::string name)
        : data_(data), size_(size), mapped_(mapped), name_(std::move(name)) {}
    void release();

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    std::string name_;
};

} // namespace tessaly
